#pragma once
// The picture viewer: one window, created hidden at start and reused for circuit, flow-chart and
// reference pictures.
#include <QByteArray>
#include <QDialog>
#include <QString>

class TImage;

class Tfrmsch : public QDialog {
    Q_OBJECT
public:
    // `parent` owns the viewer (the main window); the first viewer created becomes the program-wide frmsch.
    explicit Tfrmsch(QWidget* parent = nullptr);
    ~Tfrmsch() override;

    // A full file path ("\" or "/" separators; the name's letter case is resolved when the exact name is
    // missing). No file there: nothing happens. Otherwise the picture is loaded into Image1 (raising Error,
    // with Image1 unchanged, when it cannot be), the title set and the window shown modally.
    void ShowPicture(const QString& path, const QString& title);
    // A file name under the program folder's pic/, titled with the caption less its hot-key marking.
    void ShowReferencePicture(const QString& fileName, const QString& caption);

    TImage* Image1;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool opened_ = false;
};

extern Tfrmsch* frmsch;

// The operations the board forms and the menu call, on frmsch; byte texts are GBK.
void ShowPicture(const QString& path, const QString& title);
void ShowPicture(const QByteArray& path, const QByteArray& title);
void ShowReferencePicture(const QString& fileName, const QString& caption);
void ShowReferencePicture(const QByteArray& fileName, const QByteArray& caption);
