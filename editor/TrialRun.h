#pragma once
// labedit's "运行" menu: 试运行 runs the experiment being edited, as the editor holds it now (the source the
// source tab shows, the wiring as edited, its type, unsaved or not), on the editor's board through
// boards::BoardRun, and 停止 ends it. Assembly errors are listed below the source, every one with its
// line, and nothing runs. The run ends when the experiment, its wiring or the board changes. Nothing is
// stored.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "boards/AsmErrorList.h"
#include "boards/BoardRun.h"

class BoardForm;
class QAction;
class QMainWindow;
class QMenu;
class QWidget;
class TSynEdit;

namespace editor {

class TrialRun : public QObject {
    Q_OBJECT
public:
    // What would run now; the source and the steps only when asked for (the menu's state needs neither).
    struct Trial {
        bool chosen = false;     // an experiment is being edited
        QString identity;        // which one (a different one ends a run)
        BoardForm* form = nullptr;
        int cpuType = 0;
        QByteArray source;
        QList<QByteArray> steps; // as the program keeps wiring steps (GBK)
    };

    // Adds the menu to the window's menu bar and the error list below the source in `sourcePage`.
    TrialRun(QMainWindow& window, QWidget& sourcePage, TSynEdit& source, std::function<Trial(bool content)> current);
    ~TrialRun() override;

    QMenu* menu() const { return menu_; }
    QAction* runAction() const { return start_; }
    QAction* stopAction() const { return stop_; }
    boards::BoardRun& run() const { return *runner_; }
    boards::AsmErrorList* errorList() const { return errors_; }

    // Whether 试运行 can start now, with the reason when not.
    bool runnable(QString* why) const;
    // 试运行's handler: false when nothing runs (not runnable, or assembly errors, which are listed).
    bool start();
    void stop();
    // After an edit, a choice or another board: a run of something else ends; the menu is brought up to
    // date.
    void changed();

    // Brings the source tab or the board to the front.
    std::function<void()> showSource;
    std::function<void()> showBoard;

private:
    void refresh();

    std::function<Trial(bool content)> current_;
    TSynEdit& source_;
    QPointer<boards::BoardRun> runner_;
    QMenu* menu_ = nullptr;
    QAction* start_ = nullptr;
    QAction* stop_ = nullptr;
    boards::AsmErrorList* errors_ = nullptr;
    Trial running_; // what the run was started with
};

} // namespace editor
