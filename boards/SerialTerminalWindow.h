#pragma once
// The serial terminal of a virtual run: shows what the board's UART sends and sends what is typed.
#include <QByteArray>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace boards {

// Turns received bytes into display text: GBK characters and printable ASCII as they are, CR, LF or
// CR LF as one line break, every other byte as a mark like ⟨0D⟩. A character split across two
// deliveries is kept until its second byte comes.
class SerialTextDecoder {
public:
    QString decode(const QByteArray& bytes);
    void reset();

private:
    int lead_ = -1;       // a GBK lead byte waiting for its trail byte
    bool afterCr_ = false; // an LF right after a CR breaks no second line
};

class SerialTerminalWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxChars = 100000;
    // Longer lines are broken here: one endless line would be laid out again on each delivery.
    static constexpr int kMaxLine = 1000;

    explicit SerialTerminalWindow(QWidget* parent = nullptr);

    void appendReceived(const QByteArray& bytes);
    void setBaud(int baud);
    int baud() const { return baud_; }
    // Empties the view (a new run, or the user's "清除").
    void clear();

    QString receivedText() const;
    QPlainTextEdit* view() const { return view_; }
    QLineEdit* input() const { return input_; }
    QPushButton* sendButton() const { return send_; }
    QCheckBox* appendCrBox() const { return appendCr_; }

signals:
    void sendBytes(const QByteArray& bytes);
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sendTyped();

    SerialTextDecoder decoder_;
    int baud_ = 0;
    int lineLength_ = 0; // characters in the view's last line
    QPlainTextEdit* view_ = nullptr;
    QLineEdit* input_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* clear_ = nullptr;
    QCheckBox* appendCr_ = nullptr;
    QLabel* baudLabel_ = nullptr;
};

} // namespace boards
