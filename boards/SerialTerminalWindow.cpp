#include "boards/SerialTerminalWindow.h"

#include "base/Gbk.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace boards {

namespace {

void appendMark(QString& out, unsigned char b) {
    out += QChar(0x27E8);
    out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    out += QChar(0x27E9);
}

constexpr bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

} // namespace

// ---- SerialTextDecoder

void SerialTextDecoder::reset() {
    lead_ = -1;
    afterCr_ = false;
}

QString SerialTextDecoder::decode(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (lead_ >= 0) {
            const auto lead = static_cast<unsigned char>(lead_);
            lead_ = -1;
            if (isTrailByte(b)) {
                const char pair[2] = {char(lead), char(b)};
                const QString text = gbk::decode(QByteArrayView(pair, 2));
                if (text.size() == 1 && text[0] != QChar::ReplacementCharacter) {
                    out += text;
                } else { // a pair GBK leaves unassigned
                    appendMark(out, lead);
                    appendMark(out, b);
                }
                continue;
            }
            appendMark(out, lead); // and the byte after it stands on its own
        }
        const bool cr = b == '\r';
        if (b == '\n') {
            if (!afterCr_)
                out += QLatin1Char('\n');
        } else if (cr) {
            out += QLatin1Char('\n');
        } else if (b >= 0x20 && b < 0x7F) {
            out += QLatin1Char(char(b));
        } else if (gbk::isLeadByte(b)) {
            lead_ = b;
        } else {
            appendMark(out, b);
        }
        afterCr_ = cr;
    }
    return out;
}

// ---- the window

SerialTerminalWindow::SerialTerminalWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("串口终端"));

    view_ = new QPlainTextEdit(this);
    view_->setReadOnly(true);
    view_->setUndoRedoEnabled(false); // a long run must not grow an undo history
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    baudLabel_ = new QLabel(this);
    input_ = new QLineEdit(this);
    send_ = new QPushButton(QStringLiteral("发送"), this);
    appendCr_ = new QCheckBox(QStringLiteral("发送时附加回车"), this);
    clear_ = new QPushButton(QStringLiteral("清除"), this);

    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(input_, 1);
    sendRow->addWidget(send_);
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(appendCr_);
    optionRow->addStretch(1);
    optionRow->addWidget(baudLabel_);
    optionRow->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(sendRow);
    layout->addLayout(optionRow);

    connect(send_, &QPushButton::clicked, this, [this] { sendTyped(); });
    connect(input_, &QLineEdit::returnPressed, this, [this] { sendTyped(); });
    connect(clear_, &QPushButton::clicked, this, [this] { clear(); });
    setBaud(0);
    resize(520, 360);
}

void SerialTerminalWindow::setBaud(int baud) {
    baud_ = baud;
    baudLabel_->setText(QStringLiteral("波特率：") +
                        (baud > 0 ? QString::number(baud) : QStringLiteral("—")));
}

void SerialTerminalWindow::appendReceived(const QByteArray& bytes) {
    const QString decoded = decoder_.decode(bytes);
    if (decoded.isEmpty())
        return;
    QString text;
    text.reserve(decoded.size());
    for (const QChar c : decoded) {
        if (c == QLatin1Char('\n')) {
            lineLength_ = 0;
        } else if (++lineLength_ > kMaxLine) {
            text += QLatin1Char('\n');
            lineLength_ = 1;
        }
        text += c;
    }

    QScrollBar* bar = view_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextDocument* doc = view_->document();
    if (text.size() >= kMaxChars) {
        view_->setPlainText(text.right(kMaxChars));
    } else {
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        // The document counts one separator after its last line.
        const int excess = doc->characterCount() - 1 - kMaxChars;
        if (excess > 0) {
            cursor.setPosition(0);
            cursor.setPosition(excess, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

QString SerialTerminalWindow::receivedText() const { return view_->toPlainText(); }

void SerialTerminalWindow::clear() {
    view_->clear();
    decoder_.reset();
    lineLength_ = 0;
}

void SerialTerminalWindow::sendTyped() {
    QByteArray bytes = gbk::encode(input_->text());
    if (appendCr_->isChecked())
        bytes += '\r';
    if (bytes.isEmpty())
        return;
    input_->clear();
    emit sendBytes(bytes);
}

void SerialTerminalWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

} // namespace boards
