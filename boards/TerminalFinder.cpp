#include "boards/TerminalFinder.h"

#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "engine/TerminalName.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>

namespace boards {

namespace {
}

TerminalFinder::TerminalFinder(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("TerminalFinder"));
    setWindowTitle(QStringLiteral("查找端子"));
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("finderInput"));
    input_->setPlaceholderText(QStringLiteral("端子名称，如 PB2"));
    button_ = new QPushButton(QStringLiteral("查找"), this);
    button_->setDefault(true);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("finderMessage"));
    message_->setMinimumWidth(260);
    auto* row = new QHBoxLayout;
    row->addWidget(input_, 1);
    row->addWidget(button_);
    auto* box = new QVBoxLayout(this);
    box->addLayout(row);
    box->addWidget(message_);

    completer_ = new QCompleter(this);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setModel(new QStringListModel(completer_));
    input_->setCompleter(completer_);
    connect(button_, &QPushButton::clicked, this, [this] { find(input_->text()); });
    // A completion chosen from the list is looked up at once.
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& text) { find(text); });
    // Enter is taken before the completer sees it: left to the completer, Enter with the list open only
    // closed the list, and the search needed a second Enter.
    completer_->popup()->installEventFilter(this);
    input_->installEventFilter(this);
    // The message speaks of the text searched; once the box says something else it says nothing.
    connect(input_, &QLineEdit::textChanged, message_, &QLabel::clear);
}

bool TerminalFinder::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* popup = completer_->popup();
    if ((watched == popup || watched == input_) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The highlighted completion, else what was typed.
            QString text = input_->text();
            if (popup->isVisible() && popup->currentIndex().isValid())
                text = popup->currentIndex().data(Qt::DisplayRole).toString();
            popup->hide();
            if (text != input_->text())
                input_->setText(text);
            find(text);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TerminalFinder::setBoard(BoardForm* form) {
    form_ = form;
    QStringList entries;
    if (form) {
        for (const Component& c : form->components()) {
            if (c.kind != ComponentKind::Terminal)
                continue;
            entries << terminalname::of(c.name);
            if (c.hasHint && !c.hint.isEmpty())
                entries << c.hint;
        }
    }
    entries.removeDuplicates();
    entries.sort(Qt::CaseInsensitive);
    static_cast<QStringListModel*>(completer_->model())->setStringList(entries);
}

void TerminalFinder::open() {
    if (source_ && source_() != form_)
        setBoard(source_());
    // Over the board's experiment-type box, where it covers none of the board's drawing.
    if (!isVisible() && form_)
        move(form_->RGTYPE()->mapToGlobal(QPoint(0, 0)));
    show();
    raise();
    activateWindow();
    input_->setFocus();
    input_->selectAll();
}

int TerminalFinder::find(const QString& text) {
    if (QWidget* popup = completer_->popup())
        popup->hide();
    if (source_ && source_() != form_)
        setBoard(source_());
    QString wanted = text.trimmed();
    if (terminalname::isTerminal(wanted))
        wanted = terminalname::of(wanted);
    if (!form_) {
        message_->setText(QStringLiteral("请先选择产品型号"));
        return -1;
    }
    if (wanted.isEmpty()) {
        message_->clear();
        return -1;
    }
    const QList<Component>& cs = form_->components();
    int found = -1;
    for (int i = 0; i < cs.size() && found < 0; ++i)
        if (cs[i].kind == ComponentKind::Terminal &&
            terminalname::of(cs[i].name).compare(wanted, Qt::CaseInsensitive) == 0)
            found = i;
    // Then by the hint the board shows for it.
    for (int i = 0; i < cs.size() && found < 0; ++i)
        if (cs[i].kind == ComponentKind::Terminal && cs[i].hasHint &&
            cs[i].hint.compare(wanted, Qt::CaseInsensitive) == 0)
            found = i;
    QPalette pal = message_->palette();
    if (found < 0) {
        pal.setColor(QPalette::WindowText, QColor(170, 0, 0));
        message_->setPalette(pal);
        message_->setText(QStringLiteral("本板没有端子 %1").arg(wanted.toUpper()));
        return -1;
    }
    BoardGuide* guide = BoardGuide::attach(*form_);
    const QString name = guide->terminalCaptionOf(found); // with the hint where it differs
    const QString block = guide->blockCaptionOf(found);
    pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
    message_->setPalette(pal);
    message_->setText(block.isEmpty() ? QStringLiteral("找到 %1").arg(name)
                                      : QStringLiteral("找到 %1，在“%2”").arg(name, block));
    guide->showFound(found, block.isEmpty() ? name : QStringLiteral("%1（%2）").arg(name, block));
    return found;
}

} // namespace boards
