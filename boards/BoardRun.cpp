#include "boards/BoardRun.h"

#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/FrontPanel.h"
#include "boards/RunInstruments.h"
#include "boards/RunLayer.h"
#include "engine/RunWiring.h"
#include "sim/Assembler.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"

#include <algorithm>
#include <cmath>

namespace boards {

namespace {

// A frame never does more than this much simulating, so a program the machine cannot keep up with (or a
// flood of writes) slows the run instead of the window.
constexpr qint64 kWorkPerFrameNs = 8'000'000;
// Simulated time is run in slices this long, to look at the clock between them.
constexpr sim::Time kSlice = 2 * sim::kMillisecond;
// A frame that comes late (the window was moved, the machine was busy) does not make up more than this.
constexpr double kLongestFrame = 0.1;

const QString& cannotRunType() {
    static const QString text = QStringLiteral("本类型暂不能虚拟运行");
    return text;
}

} // namespace

const std::vector<BoardRun::Speed>& BoardRun::speeds() {
    static const std::vector<Speed> list{{1.0, "实时"}, {0.1, "1/10"}, {0.01, "1/100"}, {0.001, "1/1000"}};
    return list;
}

const std::vector<double>& BoardRun::crystals() {
    static const std::vector<double> list{12e6, 11.0592e6};
    return list;
}

BoardRun::BoardRun(QObject* parent) : QObject(parent) {
    timer_.setInterval(kFrameMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &BoardRun::tick);
}

BoardRun::~BoardRun() { stop(); }

bool BoardRun::canRun(const BoardForm* form, int cpuType, QString* why, bool experimentChosen) {
    auto refuse = [&](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    if (!form)
        return refuse(QStringLiteral("请先选择产品型号"));
    if (!experimentChosen)
        return refuse(QStringLiteral("请先选择实验"));
    if (!sim::hasCircuit(form->board()))
        return refuse(QStringLiteral("本板没有电路文件，还不能虚拟运行"));
    if (cpuType <= 0)
        return refuse(QStringLiteral("请先选择实验"));
    if (!sim::boardCircuit(form->board()).cpuForType.count(cpuType))
        return refuse(cannotRunType());
    return sim::canAssemble(cpuType, why);
}

void BoardRun::offer(QAction* start, bool can, const QString& why) {
    start->setEnabled(can);
    start->setStatusTip(can ? QString() : why);
    start->setToolTip(can ? start->text() : why);
}

sim::AsmResult BoardRun::start(BoardForm& form, int cpuType, const QByteArray& source, const QList<QByteArray>& steps) {
    stop();
    sim::AsmResult program = sim::assembleFor(cpuType, source);
    if (!program.ok())
        return program;
    try {
        // The 51 runs from the chosen crystal; the 8088 from its own clock on the board.
        machine_ = std::make_unique<sim::Machine>(sim::boardCircuit(form.board()), cpuType, engine::runWiring(steps),
                                                  cpuType == 1 ? crystal_ : 0.0);
    } catch (const std::exception& e) {
        throw Error(QString::fromUtf8(e.what()));
    }
    cpuType_ = cpuType;
    machine_->cpu().setEntry(program.entrySegment, program.entryOffset);
    machine_->load(program.image);
    program_ = program;
    form_ = &form;
    events_.clear();
    lastEvent_.clear();
    haltReason_.clear();
    snapshot_ = {};

    // The front panel's demonstration gives way to the program, and comes back as it was.
    if (FrontPanel* panel = FrontPanel::of(form)) {
        frontPanelWasTicking_ = panel->Timer1()->isActive();
        panel->Timer1()->stop();
    }
    instruments_ = new RunInstruments(form, [this](const std::string& setting, double value) { input(setting, value); });
    layer_ = new RunLayer(form, instruments_->lampTerminals());
    if (BoardGuide* guide = BoardGuide::of(form))
        guide->setPlateHidden(true);
    instruments_->replaySettings();
    collectEvents();
    wall_.start();
    lastWallNs_ = 0;
    setState(State::Running);
    timer_.start();
    show();
    return program;
}

void BoardRun::stop() {
    if (state_ == State::Stopped)
        return;
    timer_.stop();
    // A form destroyed under the run took the twins and the layer with it; a living one gets its drawing back.
    if (form_) {
        if (instruments_)
            instruments_->restore();
        if (BoardGuide* guide = BoardGuide::of(*form_))
            guide->setPlateHidden(false);
        if (FrontPanel* panel = FrontPanel::of(*form_); panel && frontPanelWasTicking_)
            panel->Timer1()->start();
    }
    delete layer_.data();
    delete instruments_.data();
    machine_.reset();
    form_ = nullptr;
    setState(State::Stopped);
}

void BoardRun::pause() {
    if (state_ != State::Running)
        return;
    timer_.stop(); // nothing moves while paused: no frames to draw
    setState(State::Paused);
    show();
}

void BoardRun::resume() {
    if (state_ != State::Paused)
        return;
    lastWallNs_ = wall_.nsecsElapsed();
    setState(State::Running);
    timer_.start();
    show();
}

void BoardRun::togglePause() {
    if (state_ == State::Running)
        pause();
    else
        resume();
}

void BoardRun::step() {
    if (state_ != State::Paused || !machine_)
        return;
    sim::Cpu& cpu = machine_->cpu();
    const std::uint64_t before = cpu.instructionCount();
    // A CPU in power-down takes no instruction: give up after a while of simulated time.
    for (int i = 0; i < 10000 && cpu.instructionCount() == before && !cpu.halted(); ++i)
        machine_->runUntil(std::max(machine_->now(), cpu.cpuTime()) + 1);
    collectEvents();
    show();
}

void BoardRun::reset() {
    if (!machine_)
        return;
    machine_->reset();
    if (instruments_)
        instruments_->replaySettings();
    haltReason_.clear();
    if (state_ == State::Halted) {
        lastWallNs_ = wall_.nsecsElapsed();
        setState(State::Running);
        timer_.start();
    }
    show();
}

void BoardRun::setSpeed(int index) {
    if (index < 0 || index >= int(speeds().size()) || index == speed_)
        return;
    speed_ = index;
    show();
    emit stateChanged();
}

void BoardRun::setCrystal(double hz) {
    if (hz <= 0 || hz == crystal_)
        return;
    crystal_ = hz;
    if (machine_ && cpuType_ == 1)
        machine_->cpu().setCrystal(hz);
    emit stateChanged();
}

void BoardRun::input(const std::string& setting, double value) {
    if (!machine_)
        return;
    machine_->set(setting, value);
    // The change reaches the pins now; the screen shows it with the next frame.
}

void BoardRun::tick() {
    const qint64 nowNs = wall_.nsecsElapsed();
    const double wall = double(nowNs - lastWallNs_) / 1e9;
    lastWallNs_ = nowNs;
    if (state_ == State::Running)
        frame(wall);
    else
        show();
}

void BoardRun::frame(double wallSeconds) {
    if (!machine_ || state_ != State::Running)
        return;
    const double span = std::min(std::max(wallSeconds, 0.0), kLongestFrame) * speeds()[std::size_t(speed_)].factor;
    const sim::Time until = machine_->now() + sim::fromSeconds(span);
    QElapsedTimer work;
    work.start();
    while (machine_->now() < until && !machine_->cpu().halted()) {
        machine_->runUntil(std::min(until, machine_->now() + kSlice));
        if (work.nsecsElapsed() > kWorkPerFrameNs)
            break; // behind: the run slows down rather than the window
    }
    collectEvents();
    if (machine_->cpu().halted() && haltReason_.isEmpty()) {
        haltReason_ = QString::fromStdString(machine_->cpu().haltReason());
        timer_.stop();
        setState(State::Halted);
        emit halted(haltReason_);
    }
    show();
}

void BoardRun::collectEvents() {
    if (!machine_)
        return;
    for (sim::Event& e : machine_->takeEvents()) {
        lastEvent_ = QString::fromStdString(e.text);
        events_.push_back(std::move(e));
        if (events_.size() > 1000)
            events_.erase(events_.begin(), events_.begin() + 500);
    }
}

QString BoardRun::plateText() const {
    if (state_ == State::Stopped || !machine_)
        return {};
    if (state_ == State::Halted)
        return QStringLiteral("已停止：") + haltReason_;
    const QString what = state_ == State::Paused ? QStringLiteral("已暂停") : QStringLiteral("运行中");
    QString text = QStringLiteral("%1  %2 s  %3")
                       .arg(what)
                       .arg(sim::toSeconds(machine_->now()), 0, 'f', 2)
                       .arg(QString::fromUtf8(speeds()[std::size_t(speed_)].name));
    if (!lastEvent_.isEmpty())
        text += QStringLiteral("  ") + lastEvent_;
    return text;
}

void BoardRun::show() {
    if (!machine_)
        return;
    // While paused the picture stands; a step shows the frame the step ran.
    if (state_ == State::Running || machine_->now() != snapshot_.time || snapshot_.frame == 0) {
        snapshot_ = machine_->snapshot();
        if (instruments_)
            instruments_->show(snapshot_);
        if (layer_)
            layer_->setLamps(snapshot_.lamps);
        emit frameShown(snapshot_);
    }
    if (layer_)
        layer_->setPlate(plateText(), state_ == State::Halted || !lastEvent_.isEmpty());
}

void BoardRun::setState(State state) {
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged();
}

int BoardRun::currentLine() const {
    if (!machine_)
        return 0;
    const auto it = program_.lineAt.find(machine_->cpu().programCounter());
    return it == program_.lineAt.end() ? 0 : it->second;
}

std::vector<sim::RegisterValue> BoardRun::registers() const {
    return machine_ ? machine_->cpu().registers() : std::vector<sim::RegisterValue>{};
}

} // namespace boards
