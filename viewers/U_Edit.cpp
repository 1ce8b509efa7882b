#include "viewers/U_Edit.h"

#include "viewers/Placement.h"
#include "viewers/WindowTitle.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TFrmEdit* FrmEdit = nullptr;

QFont TFrmEdit::textFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

TFrmEdit::TFrmEdit(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("FrmEdit"));
    setFont(textFont());
    resize(569, 317); // outer 577 x 351 with the usual frame

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true); // read-only still lets the user select and copy
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);

    if (!FrmEdit)
        FrmEdit = this;
}

TFrmEdit::~TFrmEdit() {
    if (FrmEdit == this)
        FrmEdit = nullptr;
}

void TFrmEdit::ShowText(const QString& title, const QString& text) {
    Memo1->clear();
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace('\r', '\n');
    Memo1->setPlainText(lines);
    viewers::setWindowTitleAsGiven(this, title);
    if (!opened_) {
        viewers::centreWindow(this, parentWidget());
        opened_ = true;
    }
    exec();
}

void TFrmEdit::keyPressEvent(QKeyEvent* event) {
    // Only the close box closes the viewer.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowText(const QString& title, const QString& text) {
    if (!FrmEdit)
        throw Error(QStringLiteral("The text viewer has not been created"));
    FrmEdit->ShowText(title, text);
}

void ShowText(const QByteArray& title, const QByteArray& text) { ShowText(gbk::decode(title), gbk::decode(text)); }
