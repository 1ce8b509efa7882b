#pragma once
// The keys of the board tab. PgDn and PgUp press "下一步" and "前一步" whichever control of the main window
// has the focus; Space presses "下一步" too, unless a button has the focus. A focused push or tool button
// takes Space and Return/Enter as its own press, as buttons do elsewhere. The step keys reach no other
// control (the experiment list keeps its choice); a disabled step button makes them do nothing.
#include <QObject>

class Tmainform;

namespace app {

class StepKeys : public QObject {
    Q_OBJECT
public:
    // Watches the application's key presses for the main window; owned by it.
    explicit StepKeys(Tmainform& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Tmainform& window_;
};

} // namespace app
