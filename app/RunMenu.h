#pragma once
// The "运行" menu after the program's own menus: runs the source tab's program on the docked board with
// the experiment's wiring (boards::BoardRun), pauses, steps, stops and resets it, and sets its speed and
// crystal. Assembly errors are listed below the editor; a paused run marks the current line and shows the
// registers beside it. Nothing is stored: each start of the program begins the same.
#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QListWidget;
class QMenu;
class QShortcut;
class Tmainform;
class BoardForm;

#include "boards/AsmErrorList.h"
#include "boards/BoardRun.h"
#include "boards/ScopeWindow.h"
#include "boards/SerialTerminalWindow.h"

namespace sound {
class ToneOutput;
}

namespace app {

class RegisterView;

class RunMenu : public QObject {
    Q_OBJECT
public:
    // Adds the menu (after the board forms and the other menus exist); owned by the window.
    explicit RunMenu(Tmainform& window);
    ~RunMenu() override;

    static RunMenu* of(const Tmainform& window);

    QMenu* menu() const { return menu_; }
    QAction* runAction() const { return start_; }
    QAction* pauseAction() const { return pause_; }
    QAction* stepAction() const { return step_; }
    QAction* stopAction() const { return stop_; }
    QAction* resetAction() const { return reset_; }
    QAction* doneStepsOnly() const { return doneOnly_; }
    QAction* muteAction() const { return mute_; }
    QActionGroup* speedGroup() const { return speeds_; }
    QActionGroup* crystalGroup() const { return crystals_; }
    boards::BoardRun& run() const { return *runner_.data(); }
    boards::AsmErrorList* errorList() const { return errors_; }
    RegisterView* registerView() const { return registers_; }
    boards::ScopeWindow* scope() const { return scope_; }
    boards::SerialTerminalWindow* terminal() const { return terminal_; }

    // Whether 运行 can start now, with the reason when not (also its status tip).
    bool runnable(QString* why) const;
    // Menu 运行's handler.
    void start();
    // Brings the enabled states and the status tips up to date.
    void refresh();
    // The window is going: the run ends and nothing here asks the window anything from now on.
    void windowClosing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEditorPanes();
    void stateChanged();
    void showPaused();
    void openScope();
    void openTerminal();
    void frameShown();

    Tmainform& window_;
    QPointer<boards::BoardRun> runner_;
    QMenu* menu_ = nullptr;
    QAction* start_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* step_ = nullptr;
    QAction* stop_ = nullptr;
    QAction* reset_ = nullptr;
    QAction* doneOnly_ = nullptr;
    QAction* mute_ = nullptr;
    QAction* scopeAction_ = nullptr;
    QAction* terminalAction_ = nullptr;
    QActionGroup* speeds_ = nullptr;
    QActionGroup* crystals_ = nullptr;
    QList<QShortcut*> switchKeys_;
    boards::AsmErrorList* errors_ = nullptr;
    RegisterView* registers_ = nullptr;
    QPointer<boards::ScopeWindow> scope_;
    QPointer<boards::SerialTerminalWindow> terminal_;
    std::unique_ptr<sound::ToneOutput> tone_;
    bool toneTried_ = false;
    int markedLine_ = -1;
    bool closing_ = false;
    std::string uartSeen_; // the terminal's text already shown
};

} // namespace app
