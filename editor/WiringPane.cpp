#include "editor/WiringPane.h"

#include "base/Gbk.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/BoardInfo.h"
#include "editor/WiringCheck.h"
#include "engine/TerminalName.h"
#include "engine/linksheet.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>

namespace editor {

namespace {
const QString& clickTwoText() {
    static const QString text = QStringLiteral("依次点击两个接线端，添加一步接线");
    return text;
}
} // namespace

WiringPane::WiringPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* boardRow = new QHBoxLayout;
    boardRow->addWidget(new QLabel(QStringLiteral("实验箱"), this));
    boardBox_ = new QComboBox(this);
    boardBox_->setObjectName(QStringLiteral("boards"));
    boardRow->addWidget(boardBox_, 1);
    pending_ = new QLabel(clickTwoText(), this);
    boardRow->addWidget(pending_, 3);
    left->addLayout(boardRow);
    boardScroll_ = new QScrollArea(this);
    boardScroll_->setWidgetResizable(false);
    left->addWidget(boardScroll_, 1);
    layout->addLayout(left, 1);
    // The list shows each board as people read it ("QK310X+"); its item data is the stored name.
    connect(boardBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_ && index >= 0)
            chooseBoard(boardBox_->itemData(index).toString());
    });

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("接线步骤"), this));
    steps_ = new QListWidget(this);
    steps_->setObjectName(QStringLiteral("steps"));
    right->addWidget(steps_, 1);
    auto* buttons = new QHBoxLayout;
    auto edited = [this](const QStringList& steps, int select) {
        if (stepsEdited)
            stepsEdited(steps, select);
    };
    auto move = [this, edited](int by) {
        const int i = steps_->currentRow();
        QStringList steps = currentSteps();
        if (i < 0 || i + by < 0 || i + by >= steps.size())
            return;
        steps.swapItemsAt(i, i + by);
        edited(steps, i + by);
    };
    auto* up = new QPushButton(QStringLiteral("上移"), this);
    auto* down = new QPushButton(QStringLiteral("下移"), this);
    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    connect(remove, &QPushButton::clicked, this, [this, edited] {
        const int i = steps_->currentRow();
        QStringList steps = currentSteps();
        if (i < 0 || i >= steps.size())
            return;
        steps.removeAt(i);
        edited(steps, qMin(i, int(steps.size()) - 1));
    });
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addWidget(remove);
    right->addLayout(buttons);
    check_ = new QLabel(this);
    check_->setObjectName(QStringLiteral("check"));
    check_->setWordWrap(true);
    check_->setMinimumHeight(80);
    check_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    right->addWidget(check_);
    auto* rightPanel = new QWidget(this);
    rightPanel->setLayout(right);
    rightPanel->setFixedWidth(240);
    layout->addWidget(rightPanel);

    connect(steps_, &QListWidget::currentRowChanged, this, [this] { drawSelectedStep(); });
    auto* del = new QShortcut(QKeySequence::Delete, steps_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, remove, &QPushButton::click);
    // Queued: the edit rebuilds the list, which must not happen inside the item's own signal.
    connect(
        steps_, &QListWidget::itemChanged, this,
        [this, edited] {
            // Only a real edit counts: a stored text the list shows unchanged is never rewritten.
            if (!refreshing_ && have_ && currentSteps() != storedSteps_)
                edited(currentSteps(), steps_->currentRow());
        },
        Qt::QueuedConnection);
}

QStringList WiringPane::currentSteps() const {
    QStringList steps;
    for (int i = 0; i < steps_->count(); ++i)
        steps << steps_->item(i)->text().trimmed();
    return steps;
}

void WiringPane::selectStep(int index) {
    if (index >= 0 && index < steps_->count())
        steps_->setCurrentRow(index);
}

void WiringPane::refresh(const QString& experiment, const QString* wiring, int cpuType) {
    // A first click made for another experiment does not become half of this one's step.
    if (experiment != experiment_ || (wiring != nullptr) != have_)
        setPending({});
    have_ = wiring != nullptr;
    experiment_ = experiment;
    storedSteps_ = have_ ? wiringSteps(*wiring) : QStringList();
    refreshing_ = true;
    // The boards that offer the type; the one shown stays while it offers it.
    QStringList offering;
    for (const QString& board : boards::boardNames())
        if (boards::offeredCpuTypes(board).contains(cpuType))
            offering << board;
    QStringList listed;
    for (int i = 0; i < boardBox_->count(); ++i)
        listed << boardBox_->itemData(i).toString();
    if (listed != offering) {
        const QString was = boardBox_->currentData().toString();
        boardBox_->clear();
        for (const QString& board : offering)
            boardBox_->addItem(boards::boardDisplayName(board), board);
        if (offering.contains(was))
            boardBox_->setCurrentIndex(boardBox_->findData(was));
    }
    refreshing_ = false;
    const QString listedBoard = boardBox_->currentData().toString();
    if (!listedBoard.isEmpty() && (!board_ || board_->board() != listedBoard))
        chooseBoard(listedBoard);

    refreshing_ = true;
    const QStringList& steps = storedSteps_;
    const int current = steps_->currentRow();
    if (currentSteps() != steps) {
        steps_->clear();
        for (const QString& s : steps) {
            auto* item = new QListWidgetItem(s);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            steps_->addItem(item);
        }
        steps_->setCurrentRow(qMin(current, int(steps.size()) - 1));
    }
    steps_->setEnabled(have_);
    const QStringList lines = checkWiring(cpuType, steps);
    check_->setText(lines.join('\n'));
    check_->setStyleSheet(wiringHasProblems(cpuType, steps) ? QStringLiteral("color: #b00000") : QString());
    refreshing_ = false;
    drawSelectedStep();
}

void WiringPane::chooseBoard(const QString& board) {
    if (board_ && board_->board() == board)
        return;
    refreshing_ = true;
    if (const int listed = boardBox_->findData(board); listed >= 0)
        boardBox_->setCurrentIndex(listed);
    refreshing_ = false;
    pendingTerminal_.clear();
    // The board form as labguide builds it; only its board area is shown (the experiment panel lies above
    // the visible part of the holder).
    auto* holder = new QWidget;
    BoardForm* form = nullptr;
    try {
        form = boards::createBoardForm(board, holder);
    } catch (const std::exception& e) {
        delete holder;
        if (tell)
            tell(QStringLiteral("不能显示实验板 %1：\n%2")
                     .arg(boards::boardDisplayName(board), QString::fromStdString(e.what())));
        return;
    }
    if (boardChanging)
        boardChanging();
    form->installEventFilter(this); // its showing would fill its experiment list from a catalogue
    form->dockInto(holder);
    const int top = form->Panel1()->height();
    form->move(0, -top);
    holder->setFixedSize(form->width(), qMax(0, form->height() - top));
    board_ = form;
    form->show();
    form->boardArea()->installEventFilter(this);
    boards::BoardGuide::attach(*form);
    delete boardScroll_->takeWidget();
    boardScroll_->setWidget(holder);
    pending_->setText(clickTwoText());
    drawSelectedStep();
    if (boardChosen)
        boardChosen();
}

void WiringPane::terminalClicked(const QString& terminal) {
    if (!have_) {
        pending_->setText(QStringLiteral("请先选择或新建一个实验"));
        return;
    }
    const QString name = terminal.toUpper();
    if (pendingTerminal_.isEmpty() || pendingTerminal_ == name) {
        setPending(pendingTerminal_ == name ? QString() : name);
        return;
    }
    QStringList steps = currentSteps();
    steps << stepFor(pendingTerminal_, name);
    setPending({});
    pending_->setText(QStringLiteral("已添加：%1").arg(steps.last()));
    if (stepsEdited)
        stepsEdited(steps, int(steps.size()) - 1);
}

void WiringPane::setPending(const QString& terminal) {
    pendingTerminal_ = terminal;
    pending_->setText(terminal.isEmpty() ? clickTwoText() : QStringLiteral("%1 > ？ 请点击另一个接线端").arg(terminal));
    // The first terminal stays ringed on the board until the second is clicked.
    if (board_)
        if (boards::BoardGuide* guide = boards::BoardGuide::of(*board_))
            guide->setMarked(terminal.isEmpty() ? -1 : board_->indexOf(terminalname::component(terminal)));
}

void WiringPane::drawSelectedStep() {
    if (!board_)
        return;
    board_->PaintBox_link().Refresh();
    const int i = steps_->currentRow();
    if (i >= 0 && i < steps_->count())
        DrawWiringStep(gbk::encode(steps_->item(i)->text()), *board_, board_->PaintBox_link());
    // The step's names and plate, as labguide labels a step.
    if (boards::BoardGuide* guide = boards::BoardGuide::of(*board_)) {
        QList<QByteArray> steps;
        for (int k = 0; k < steps_->count(); ++k)
            steps << gbk::encode(steps_->item(k)->text());
        guide->setWiring(have_ ? experiment_ : QString(), steps);
        if (i >= 0 && i < steps.size())
            guide->setShownStep(i);
    }
}

bool WiringPane::eventFilter(QObject* watched, QEvent* event) {
    if (board_ && watched == board_ && event->type() == QEvent::Show)
        return true;
    if (board_ && watched == board_->boardArea()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return true;
            const int index = board_->boardArea()->elementAt(board_->boardArea()->toDesign(mouse->position()));
            if (index >= 0) {
                const boards::Component& c = board_->components()[index];
                if (c.kind == boards::ComponentKind::Terminal)
                    terminalClicked(terminalname::isTerminal(c.name) ? c.name.mid(terminalname::kPrefixLength)
                                                                     : c.name);
            }
            return true;
        }
        // Blocks open reference pictures in labguide; here a click only wires.
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace editor
