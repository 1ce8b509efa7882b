#include "editor/TrialRun.h"

#include "base/ErrorReport.h"
#include "boards/AsmErrorList.h"
#include "boards/BoardForm.h"
#include "source/SynEdit.h"

#include <QAction>
#include <QBoxLayout>
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

    errors_ = new boards::AsmErrorList(source_, &sourcePage);
    if (auto* column = qobject_cast<QBoxLayout*>(sourcePage.layout()))
        column->addWidget(errors_);
    refresh();
}

TrialRun::~TrialRun() { stop(); }

bool TrialRun::runnable(QString* why) const {
    const Trial trial = current_(false);
    return boards::BoardRun::canRun(trial.form, trial.cpuType, why, trial.chosen);
}

void TrialRun::refresh() {
    QString why;
    const bool can = runnable(&why);
    boards::BoardRun::offer(start_, can, why);
    stop_->setEnabled(runner_->active());
}

bool TrialRun::start() {
    QString why;
    if (!runnable(&why))
        throw Error(why);
    Trial trial = current_(true);
    const sim::AsmResult result = runner_->start(*trial.form, trial.cpuType, trial.source, trial.steps);
    if (!result.ok()) {
        if (showSource)
            showSource();
        errors_->showErrors(result.errors);
        return false;
    }
    running_ = std::move(trial);
    errors_->dismiss();
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

} // namespace editor
