#pragma once
// The virtual run of an experiment on a docked board: assembles the source, builds the machine from the
// board's circuit and the wiring, and runs it at the chosen speed on a 60 Hz frame timer. Each frame the
// machine runs as much simulated time as the wall clock allows, and what it shows (one snapshot) is put
// on the board's twin instruments and lamps. Nothing is stored; a new start begins the same way.
#include "sim/Assembler51.h"
#include "sim/Cpu.h"
#include "sim/Event.h"
#include "sim/Snapshot.h"

#include <QAction>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "boards/BoardForm.h"
#include "boards/RunInstruments.h"
#include "boards/RunLayer.h"

namespace sim {
class Machine;
}

namespace boards {

class BoardRun : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Running, Paused, Halted };

    struct Speed {
        double factor;
        const char* name; // as the menu and the plate write it
    };
    static const std::vector<Speed>& speeds(); // 实时, 1/10, 1/100, 1/1000
    static const std::vector<double>& crystals(); // 12 MHz, 11.0592 MHz

    explicit BoardRun(QObject* parent = nullptr);
    ~BoardRun() override;

    // Whether a program of this experiment type can run on the board (an experiment being chosen); `why`
    // gets the reason when not.
    static bool canRun(const BoardForm* form, int cpuType, QString* why, bool experimentChosen = true);
    // Enables the action that starts a run, with the reason as its tips when it cannot.
    static void offer(QAction* start, bool can, const QString& why);

    // Assembles and, when that succeeds, starts the program with the wiring's steps. A run already going is
    // stopped first. Returns the assembly's result: with errors nothing runs. Throws Error when the machine
    // cannot be built (a fault of the circuit data).
    sim::AsmResult start(BoardForm& form, int cpuType, const QByteArray& source, const QList<QByteArray>& steps);
    void stop();
    void pause();
    void resume();
    void togglePause();
    // One instruction, while paused.
    void step();
    // The board's reset key: the CPU and the chips to their power-on state; the run goes on.
    void reset();

    void setSpeed(int index);
    int speedIndex() const { return speed_; }
    // The 8051's crystal (the 8088 keeps the board's clock).
    void setCrystal(double hz);
    double crystal() const { return crystal_; }
    int cpuType() const { return cpuType_; }

    State state() const { return state_; }
    bool active() const { return state_ != State::Stopped; }
    BoardForm* form() const { return form_; }
    sim::Machine* machine() const { return machine_.get(); }
    RunInstruments* instruments() const { return instruments_; }
    RunLayer* layer() const { return layer_; }
    // The source line of the next instruction (1-based), or 0.
    int currentLine() const;
    std::vector<sim::RegisterValue> registers() const;
    // What the run reported so far (conflicts, uncovered wiring, the CPU stopping), oldest first.
    const std::vector<sim::Event>& events() const { return events_; }
    QString plateText() const;
    const sim::Snapshot& lastSnapshot() const { return snapshot_; }

    // Runs one frame now (the timer calls it; tests call it to step without waiting). `span` overrides
    // the wall clock's share of simulated time.
    void frame(double wallSeconds);
    // A user's input on the board.
    void input(const std::string& setting, double value);

    static constexpr int kFrameMs = 16;

signals:
    void stateChanged();
    // After each frame, with the frame's snapshot (the scope, the terminal and the sound read it).
    void frameShown(const sim::Snapshot& snapshot);
    // The CPU stopped for good (an undefined opcode): the reason.
    void halted(const QString& reason);

private:
    void tick();
    void show();
    void setState(State state);
    void collectEvents();

    QPointer<BoardForm> form_;
    std::unique_ptr<sim::Machine> machine_;
    sim::AsmResult program_;
    QPointer<RunInstruments> instruments_;
    QPointer<RunLayer> layer_;
    bool frontPanelWasTicking_ = false;
    QTimer timer_;
    QElapsedTimer wall_;
    qint64 lastWallNs_ = 0;
    State state_ = State::Stopped;
    int speed_ = 0;
    int cpuType_ = 0;
    double crystal_ = 12e6; // the 51's; the 8088 runs from the board's own clock
    std::vector<sim::Event> events_;
    QString lastEvent_;
    QString haltReason_;
    sim::Snapshot snapshot_;
};

} // namespace boards
