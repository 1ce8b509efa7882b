#pragma once
// The step keys: while the board tab is shown, PgDn and Space press "下一步" and PgUp presses "前一步",
// whichever control of the main window has the focus. The keys reach no control (the experiment list keeps
// its choice); a disabled button makes them do nothing.
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
