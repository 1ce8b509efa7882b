#include "editor/TrialRun.h"

#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "source/SynEdit.h"

#include <QAction>
#include <QBoxLayout>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace editor {

TrialRun::TrialRun(QMainWindow& window, QWidget& sourcePage, TSynEdit& source,
                   std::function<Trial(bool content)> current)
    : QObject(&window), current_(std::move(current)), source_(source) {
    setObjectName(QStringLiteral("TrialRun"));
    runner_ = new boards::BoardRun(this);
    menu_ = window.menuBar()->addMenu(QStringLiteral("运行(&R)"));
    menu_->setObjectName(QStringLiteral("runMenu"));
    menu_->setToolTipsVisible(true);
    start_ = menu_->addAction(QStringLiteral("试运行(&R)"));
    start_->setObjectName(QStringLiteral("trialRun"));
    start_->setShortcut(QKeySequence(Qt::Key_F9));
    stop_ = menu_->addAction(QStringLiteral("停止(&T)"));
    stop_->setObjectName(QStringLiteral("trialStop"));
    stop_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F9));
    connect(start_, &QAction::triggered, this, [this] { errorreport::guarded([this] { start(); }); });
    connect(stop_, &QAction::triggered, this, [this] { stop(); });
    connect(runner_, &boards::BoardRun::stateChanged, this, [this] { refresh(); });
    connect(menu_, &QMenu::aboutToShow, this, [this] { refresh(); });

    errors_ = new QListWidget(&sourcePage);
    errors_->setObjectName(QStringLiteral("asmErrors"));
    errors_->setMaximumHeight(120);
    errors_->hide();
    if (auto* column = qobject_cast<QBoxLayout*>(sourcePage.layout()))
        column->addWidget(errors_);
    connect(errors_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (const int line = item->data(Qt::UserRole).toInt(); line > 0) {
            source_.setCaret(line - 1, 0);
            source_.setFocus();
        }
    });
    refresh();
}

TrialRun::~TrialRun() { stop(); }

bool TrialRun::runnable(QString* why) const {
    const Trial trial = current_(false);
    if (!trial.chosen) {
        if (why)
            *why = QStringLiteral("请先选择实验");
        return false;
    }
    return boards::BoardRun::canRun(trial.form, trial.cpuType, why);
}

void TrialRun::refresh() {
    QString why;
    const bool can = runnable(&why);
    start_->setEnabled(can);
    start_->setStatusTip(can ? QString() : why);
    start_->setToolTip(can ? start_->text() : why);
    stop_->setEnabled(runner_->active());
}

bool TrialRun::start() {
    QString why;
    if (!runnable(&why))
        throw Error(why);
    Trial trial = current_(true);
    const sim::AsmResult result = runner_->start(*trial.form, trial.cpuType, trial.source, trial.steps);
    if (!result.ok()) {
        showErrors(result);
        return false;
    }
    running_ = std::move(trial);
    errors_->clear();
    errors_->hide();
    if (showBoard)
        showBoard();
    return true;
}

void TrialRun::stop() {
    if (runner_)
        runner_->stop();
}

void TrialRun::changed() {
    if (runner_->active()) {
        const Trial now = current_(true);
        if (now.identity != running_.identity || now.form != runner_->form() || now.cpuType != running_.cpuType ||
            now.steps != running_.steps || now.source != running_.source)
            stop();
    }
    refresh();
}

void TrialRun::showErrors(const sim::AsmResult& result) {
    errors_->clear();
    // The assembler's texts carry their line ("第12行：未定义的符号 DELAY1").
    for (const sim::AsmError& e : result.errors) {
        auto* item = new QListWidgetItem(e.message, errors_);
        item->setData(Qt::UserRole, e.line);
        item->setForeground(Qt::red);
    }
    errors_->show();
    if (showSource)
        showSource();
    if (!result.errors.empty() && result.errors.front().line > 0) {
        const int line = result.errors.front().line;
        errors_->setCurrentRow(0);
        source_.setCaret(line - 1, 0);
        source_.ensureLineVisible(line - 1);
    }
    source_.setFocus();
}

} // namespace editor
