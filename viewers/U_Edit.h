#pragma once
// The text viewer: one window, created hidden at start and reused for every opening of an experiment's
// requirements, purpose or description.
#include <QByteArray>
#include <QDialog>
#include <QFont>
#include <QString>

class QPlainTextEdit;

class TFrmEdit : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` owns the viewer and is the window it is first centred over. The first viewer created
    // becomes the program-wide FrmEdit.
    explicit TFrmEdit(QWidget* mainWindow = nullptr);
    ~TFrmEdit() override;

    // Replaces the memo's whole content (line breaks CR LF, LF or CR start new lines), sets the title and
    // shows the window modally; returns when the user has closed it.
    void ShowText(const QString& title, const QString& text);

    QPlainTextEdit* Memo1;

    // The viewer's font: MS Sans Serif of 11 pixels, as the program substitutes it. Texts are broken into
    // lines measured in it.
    static QFont textFont();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool opened_ = false;
};

extern TFrmEdit* FrmEdit;

// The operations the board forms call, on FrmEdit; byte texts are GBK.
void ShowText(const QString& title, const QString& text);
void ShowText(const QByteArray& title, const QByteArray& text);
