#include "app/RunMenu.h"

#include "app/RegisterView.h"
#include "app/mainform.h"
#include "base/ErrorReport.h"
#include "engine/TerminalName.h"
#include "boards/AsmErrorList.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/BoardRun.h"
#include "boards/RunInstruments.h"
#include "boards/ScopeWindow.h"
#include "boards/SerialTerminalWindow.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "engine/linksheet.h"
#include "sim/Machine.h"
#include "sim/devices/Dac0832.h"
#include "sim/devices/Speaker.h"
#include "sim/devices/UartTerminal.h"
#include "source/SynEdit.h"
#include "video/ToneOutput.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>
#include <QTabWidget>

namespace app {

namespace {

constexpr int kLineMarker = 20; // beyond the bookmarks' markers

QList<BoardForm*> boardForms() {
    QList<BoardForm*> forms;
    for (BoardForm* f : {static_cast<BoardForm*>(FRM_QK740X), static_cast<BoardForm*>(Frm_620x),
                         static_cast<BoardForm*>(Frm310x1), static_cast<BoardForm*>(frm8086)})
        if (f)
            forms << f;
    return forms;
}

template <class T>
T* firstDevice(const sim::Machine& machine) {
    for (const auto& d : machine.devices())
        if (auto* t = dynamic_cast<T*>(d.get()))
            return t;
    return nullptr;
}

// What the terminal received since `seen` (the terminal keeps only its newest text).
QByteArray receivedSince(const std::string& seen, const std::string& now) {
    if (now.size() >= seen.size() && now.compare(0, seen.size(), seen) == 0)
        return QByteArray::fromStdString(now.substr(seen.size()));
    const std::size_t tail = std::min<std::size_t>(seen.size(), 64);
    const std::size_t at = now.rfind(seen.substr(seen.size() - tail));
    return QByteArray::fromStdString(at == std::string::npos ? now : now.substr(at + tail));
}

} // namespace

RunMenu* RunMenu::of(const Tmainform& window) { return window.findChild<RunMenu*>(QStringLiteral("RunMenu")); }

RunMenu::RunMenu(Tmainform& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("RunMenu"));
    runner_ = new boards::BoardRun(this);

    menu_ = window.menuBar()->addMenu(QStringLiteral("运行(&R)"));
    menu_->setObjectName(QStringLiteral("N_run"));
    menu_->setToolTipsVisible(true);
    auto add = [&](const QString& text, const char* name, const QKeySequence& key) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };
    start_ = add(QStringLiteral("运行(&R)"), "N_runStart", QKeySequence(Qt::Key_F9));
    pause_ = add(QStringLiteral("暂停/继续(&P)"), "N_runPause", QKeySequence(Qt::Key_F6));
    step_ = add(QStringLiteral("单步(&S)"), "N_runStep", QKeySequence(Qt::Key_F7));
    stop_ = add(QStringLiteral("停止(&T)"), "N_runStop", QKeySequence(Qt::SHIFT | Qt::Key_F9));
    reset_ = add(QStringLiteral("复位(&E)"), "N_runReset", {});
    menu_->addSeparator();

    QMenu* speedMenu = menu_->addMenu(QStringLiteral("速度(&V)"));
    speedMenu->setObjectName(QStringLiteral("N_runSpeed"));
    speeds_ = new QActionGroup(this);
    for (int i = 0; i < int(boards::BoardRun::speeds().size()); ++i) {
        QAction* a = speedMenu->addAction(QString::fromUtf8(boards::BoardRun::speeds()[std::size_t(i)].name));
        a->setCheckable(true);
        a->setChecked(i == 0);
        a->setData(i);
        speeds_->addAction(a);
    }
    connect(speeds_, &QActionGroup::triggered, this, [this](QAction* a) { runner_->setSpeed(a->data().toInt()); });

    QMenu* crystalMenu = menu_->addMenu(QStringLiteral("晶振(&C)"));
    crystalMenu->setObjectName(QStringLiteral("N_runCrystal"));
    crystals_ = new QActionGroup(this);
    for (double hz : boards::BoardRun::crystals()) {
        QAction* a = crystalMenu->addAction(QStringLiteral("%1 MHz").arg(hz / 1e6, 0, 'g', 6));
        a->setCheckable(true);
        a->setChecked(hz == runner_->crystal());
        a->setData(hz);
        crystals_->addAction(a);
    }
    connect(crystals_, &QActionGroup::triggered, this, [this](QAction* a) { runner_->setCrystal(a->data().toDouble()); });

    doneOnly_ = add(QStringLiteral("只用已完成的连线(&W)"), "N_runDoneSteps", {});
    doneOnly_->setCheckable(true);
    menu_->addSeparator();
    scopeAction_ = add(QStringLiteral("示波器(&O)"), "N_runScope", {});
    terminalAction_ = add(QStringLiteral("串口终端(&U)"), "N_runTerminal", {});
    mute_ = add(QStringLiteral("静音(&M)"), "N_runMute", {});
    mute_->setCheckable(true);

    connect(start_, &QAction::triggered, this, [this] { errorreport::guarded([this] { start(); }); });
    connect(pause_, &QAction::triggered, this, [this] { runner_->togglePause(); });
    connect(step_, &QAction::triggered, this, [this] {
        runner_->pause();
        runner_->step();
        showPaused();
    });
    connect(stop_, &QAction::triggered, this, [this] { runner_->stop(); });
    connect(reset_, &QAction::triggered, this, [this] { runner_->reset(); });
    connect(scopeAction_, &QAction::triggered, this, &RunMenu::openScope);
    connect(terminalAction_, &QAction::triggered, this, &RunMenu::openTerminal);
    connect(mute_, &QAction::toggled, this, [this](bool on) {
        if (tone_)
            tone_->setMuted(on);
    });
    connect(runner_, &boards::BoardRun::stateChanged, this, &RunMenu::stateChanged);
    connect(runner_, &boards::BoardRun::frameShown, this, &RunMenu::frameShown);
    connect(menu_, &QMenu::aboutToShow, this, &RunMenu::refresh);

    // Whatever changes the board, the type or the experiment ends the run first.
    for (BoardForm* form : boardForms()) {
        form->installEventFilter(this);
        form->boardArea()->installEventFilter(this);
        connect(form->cbExam(), &QComboBox::activated, this, [this] {
            runner_->stop();
            refresh();
        });
        connect(form->RGTYPE(), &TRadioGroup::clicked, this, [this] {
            runner_->stop();
            refresh();
        });
        // The board's reset key resets the running program.
        if (auto* rst = form->findChild<QAbstractButton*>(QStringLiteral("RB_RST")))
            connect(rst, &QAbstractButton::pressed, this, [this, form] {
                if (runner_->form() == form)
                    runner_->reset();
            });
    }
    for (const char* model : {"QK740X", "QK620X", "QK310X1", "QK930X"})
        if (QAction* item = window.menuItem(QLatin1String(model)))
            connect(item, &QAction::triggered, this, &RunMenu::refresh);
    // The switches' number keys, on the board tab while a program runs.
    for (int n = 1; n <= 8; ++n) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_0 + n), window.TabSheet2, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        key->setEnabled(false);
        connect(key, &QShortcut::activated, this, [this, n] {
            if (runner_->instruments())
                runner_->instruments()->toggleSwitch(n);
        });
        switchKeys_ << key;
    }
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { runner_->stop(); });
    buildEditorPanes();
    refresh();
}

RunMenu::~RunMenu() { windowClosing(); }

void RunMenu::windowClosing() {
    closing_ = true;
    if (runner_) {
        runner_->disconnect(this);
        runner_->stop();
    }
}

void RunMenu::buildEditorPanes() {
    // The editor keeps its parent: the error list goes below it and the registers beside it, in the tab's
    // own layout, both hidden until a run needs them.
    auto* row = qobject_cast<QBoxLayout*>(window_.TabSheet1->layout());
    errors_ = new boards::AsmErrorList(*window_.SynEdtasm, window_.TabSheet1);
    registers_ = new RegisterView(window_.TabSheet1);
    registers_->hide();
    if (row) {
        row->removeWidget(window_.SynEdtasm);
        auto* column = new QVBoxLayout;
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        column->addWidget(window_.SynEdtasm, 1);
        column->addWidget(errors_);
        row->addLayout(column, 1);
        row->addWidget(registers_);
    }
    window_.SynEdtasm->markerDefine(QsciScintilla::Background, kLineMarker);
    window_.SynEdtasm->setMarkerBackgroundColor(QColor(255, 236, 139), kLineMarker);
}

bool RunMenu::runnable(QString* why) const {
    if (closing_)
        return false;
    BoardForm* form = window_.DockedBoard;
    const bool chosen = form && form->cbExam()->currentIndex() >= 0 && !ExperimentRecord.ExperimentName.isEmpty();
    return boards::BoardRun::canRun(form, chosen ? int(ExperimentRecord.CpuType) : 0, why, chosen);
}

void RunMenu::refresh() {
    if (closing_)
        return;
    QString why;
    const bool can = runnable(&why);
    boards::BoardRun::offer(start_, can, why);
    const bool active = runner_->active();
    pause_->setEnabled(active && runner_->state() != boards::BoardRun::State::Halted);
    step_->setEnabled(active && runner_->state() != boards::BoardRun::State::Halted);
    stop_->setEnabled(active);
    reset_->setEnabled(active);
    for (QShortcut* key : switchKeys_)
        key->setEnabled(active);
    // The crystal is the 8051's; the 8088 runs from the board's own clock.
    crystals_->setEnabled(window_.DockedBoard && ExperimentRecord.CpuType == Cpu51);
}

void RunMenu::start() {
    QString why;
    if (!runnable(&why))
        throw Error(why);
    BoardForm& form = *window_.DockedBoard;
    QList<QByteArray> steps;
    if (WiringSteps)
        steps = WiringSteps->mid(0, std::max(0, std::min<int>(LastStep + 1, int(WiringSteps->size()))));
    if (doneOnly_->isChecked()) {
        const boards::BoardGuide* guide = boards::BoardGuide::of(form);
        steps = steps.mid(0, guide ? guide->shownStep() + 1 : 0);
    }
    const QByteArray source = window_.SynEdtasm->Lines().join("\r\n");
    const sim::AsmResult result = runner_->start(form, int(ExperimentRecord.CpuType), source, steps);
    if (!result.ok()) {
        window_.PageControl1->setCurrentWidget(window_.TabSheet1);
        errors_->showErrors(result.errors);
        return;
    }
    errors_->dismiss();
    uartSeen_.clear();
    if (scope_)
        scope_->clear();
    if (terminal_)
        terminal_->clear();
    window_.PageControl1->setCurrentWidget(window_.TabSheet2);
    form.setFocus(Qt::OtherFocusReason); // the switches' number keys work from the board tab
}

void RunMenu::stateChanged() {
    refresh();
    const boards::BoardRun::State s = runner_->state();
    if (s == boards::BoardRun::State::Paused || s == boards::BoardRun::State::Halted) {
        showPaused();
        return;
    }
    registers_->hide();
    window_.SynEdtasm->markerDeleteAll(kLineMarker);
    markedLine_ = -1;
    if (s == boards::BoardRun::State::Stopped)
        if (tone_)
            tone_->close();
}

void RunMenu::showPaused() {
    if (!runner_->active())
        return;
    registers_->setRegisters(runner_->registers());
    registers_->show();
    const int line = runner_->currentLine();
    if (line != markedLine_) {
        window_.SynEdtasm->markerDeleteAll(kLineMarker);
        if (line > 0) {
            window_.SynEdtasm->markerAdd(line - 1, kLineMarker);
            window_.SynEdtasm->ensureLineVisible(line - 1);
        }
        markedLine_ = line;
    }
}

void RunMenu::openScope() {
    if (!scope_) {
        scope_ = new boards::ScopeWindow(&window_);
        scope_->setAttribute(Qt::WA_DeleteOnClose);
        scope_->setChannelName(0, QStringLiteral("DAC"));
    }
    scope_->show();
    scope_->raise();
}

void RunMenu::openTerminal() {
    if (!terminal_) {
        terminal_ = new boards::SerialTerminalWindow(&window_);
        terminal_->setAttribute(Qt::WA_DeleteOnClose);
        connect(terminal_, &boards::SerialTerminalWindow::sendBytes, this, [this](const QByteArray& bytes) {
            for (const char c : bytes)
                runner_->input("UART", double(static_cast<unsigned char>(c)));
        });
    }
    if (sim::Machine* m = runner_->machine())
        if (auto* uart = firstDevice<sim::UartTerminal>(*m))
            terminal_->setBaud(int(uart->baud()));
    terminal_->show();
    terminal_->raise();
}

void RunMenu::frameShown() {
    sim::Machine* machine = runner_->machine();
    if (!machine)
        return;
    const sim::Snapshot& s = runner_->lastSnapshot();
    const double now = sim::toSeconds(s.time);
    if (scope_ && scope_->isVisible()) {
        if (auto* dac = firstDevice<sim::Dac0832>(*machine)) {
            std::vector<std::pair<double, double>> samples;
            for (const sim::Dac0832::Sample& d : dac->samplesSince(s.time - s.frame))
                samples.emplace_back(sim::toSeconds(d.time), d.volts);
            scope_->addSamples(0, samples);
        }
        const QString probe = scope_->channelName(1);
        sim::NetLevel level{};
        if (!probe.isEmpty() && machine->terminalLevel(probe.toStdString(), &level))
            scope_->addSamples(1, {{now, level.driven && level.volts > 0 ? level.volts : (level.high ? 5.0 : 0.0)}});
        scope_->setTime(now);
        scope_->refresh();
    }
    if (auto* uart = firstDevice<sim::UartTerminal>(*machine)) {
        if (terminal_ && uart->text() != uartSeen_)
            terminal_->appendReceived(receivedSince(uartSeen_, uart->text()));
        uartSeen_ = uart->text();
    }
    if (auto* speaker = firstDevice<sim::Speaker>(*machine)) {
        std::vector<std::int16_t> samples = speaker->takeSamples(s.time);
        if (s.speakerHz > 0 && !tone_ && !toneTried_) {
            toneTried_ = true;
            tone_ = std::make_unique<sound::ToneOutput>();
            QString why;
            if (!tone_->open(&why)) {
                // A machine without a sound device stays silent; the menu says so.
                mute_->setChecked(true);
                mute_->setEnabled(false);
                mute_->setStatusTip(why);
                mute_->setToolTip(why);
                tone_.reset();
            }
        }
        if (tone_) {
            if (!tone_->isOpen())
                tone_->open();
            tone_->setMuted(mute_->isChecked());
            tone_->push(samples);
        }
    }
    if (runner_->state() == boards::BoardRun::State::Paused)
        showPaused();
}

bool RunMenu::eventFilter(QObject* watched, QEvent* event) {
    if (closing_)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Hide) {
        if (auto* form = qobject_cast<BoardForm*>(watched); form && runner_->form() == form)
            runner_->stop();
    } else if (event->type() == QEvent::MouseButtonPress && scope_ && scope_->isVisible()) {
        // With the scope open, a terminal clicked on the board becomes its second channel.
        if (auto* area = qobject_cast<boards::BoardArea*>(watched)) {
            const int i = area->elementAt(area->toDesign(static_cast<QMouseEvent*>(event)->position()));
            for (BoardForm* form : boardForms())
                if (form->boardArea() == area && i >= 0 && form->components()[i].kind == boards::ComponentKind::Terminal) {
                    scope_->setChannelName(1, terminalname::of(form->components()[i].name));
                    scope_->clear();
                }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
