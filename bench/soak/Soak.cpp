// Soak: the program runs for a long stretch (10 minutes by default) on a display with a board docked, its
// blink and motor timers running, while a scripted user steps through wiring lists, picks experiments,
// changes type and model, switches tabs and opens and closes every kind of viewer; most of the time display.asm
// runs on the drawn board beside it (the 运行 menu), stopped and started again now and then. It prints the resident
// memory (VmRSS) after the first minute and at the end, each read once glibc has returned freed heap to the
// system (the raw figures are printed beside them), and fails when it grew by more than the allowed amount
// after the first minute, or when an error report appeared.
//
//   bench_soak [--soak-seconds=600] [--max-growth-kb=2048] [--trace-seconds=N] [--trim] [Google Benchmark flags]
#include "app/LabApplication.h"
#include "app/RunMenu.h"
#include "app/mainform.h"
#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "base/ProgramFolder.h"
#include "boards/BoardForm.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "engine/linksheet.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>

namespace {

int soakSeconds = 600;
long maxGrowthKb = 2048;
// The experiment whose program runs beside the user (display.asm: the digits scanned all the time).
constexpr const char* kRunExperiment = "数码管动态显示";
int traceSeconds = 0; // print VmRSS this often (0: every minute)
bool trimHeap = false; // hand freed heap back to the system before every sample, not only the two measured

struct Figures {
    long rssAtMinute = -1;   // held memory: VmRSS once freed heap went back to the system
    long rssEnd = -1;
    long rawAtMinute = -1;   // VmRSS as it stood, freed heap included
    long rawEnd = -1;
    long rssPeak = 0;
    long actions = 0;
    long runs = 0; // times the user pressed 运行
    long viewers = 0;
    long steps = 0;
    long errors = 0;
    double tourSeconds = -1;
    double baselineSeconds = -1;
    bool done = false;
};
Figures figures;

long residentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// VmRSS after glibc has handed freed heap pages back to the system: what the program holds. Without it the
// figure also counts freed memory the allocator keeps for reuse (a decoded picture's buffers, for one),
// which moves in steps of a megabyte or more without anything being lost.
long heldKb() {
    malloc_trim(0);
    return residentKb();
}

BoardForm* boardForm(int model) {
    switch (model) {
    case 0: return FRM_QK740X;
    case 1: return Frm_620x;
    case 2: return Frm310x1;
    default: return frm8086;
    }
}
const char* const modelItems[] = {"QK740X", "QK620X", "QK310X1", "QK930X"};

// The scripted user: one action a tick. It first takes a quick tour of everything (every board, type and
// experiment with its steps, every document, reference item and module block once), so that what the
// program caches on first sight (glyphs, pictures, styles) is in place before the first minute ends; then
// it works at a student's pace, one experiment a round.
class ScriptedUser {
public:
    void start() {
        tick_.setInterval(5);
        QObject::connect(&tick_, &QTimer::timeout, [this] { next(); });
        planTour();
        tick_.start();
        // Viewers are modal; a separate timer plays the user closing them after a look.
        closer_.setInterval(20);
        QObject::connect(&closer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                openSince_ = -1;
                return;
            }
            if (openSince_ < 0) {
                openSince_ = clock_.elapsed();
                ++figures.viewers;
            } else if (clock_.elapsed() - openSince_ >= (touring_ ? 60 : 300)) {
                modal->close();
                openSince_ = -1;
            }
        });
        clock_.start();
        closer_.start();
    }
    void stop() {
        tick_.stop();
        closer_.stop();
    }
    bool touring() const { return touring_; }
    int round() const { return round_; }
    qint64 tourEndedMs() const { return tourEnded_; }

private:
    using Action = std::function<void()>;
    BoardForm* board() const { return boardForm(model_); }

    void next() {
        if (queue_.empty()) {
            if (touring_) {
                touring_ = false;
                tourEnded_ = clock_.elapsed();
                tick_.setInterval(120);
            }
            planRound();
        }
        Action action = std::move(queue_.front());
        queue_.pop_front();
        ++figures.actions;
        action();
    }
    // Puts actions before the rest of the queue, in their order.
    void prepend(std::deque<Action> actions) {
        while (!actions.empty()) {
            queue_.push_front(std::move(actions.back()));
            actions.pop_back();
        }
    }

    void chooseModel(int model) {
        model_ = model;
        mainform->menuItem(modelItems[model_])->trigger();
    }
    void selectType(int item) {
        TRadioGroup* types = board()->RGTYPE();
        if (item >= types->count() || types->itemIndex() == item)
            return;
        // A user clicks the item's round indicator.
        QRadioButton* button = types->button(item);
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect indicator = button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
        QTest::mouseClick(button, Qt::LeftButton, {}, indicator.center());
    }
    void selectExperiment(int item) {
        QComboBox* list = board()->cbExam();
        while (list->currentIndex() != item && item < list->count())
            QTest::keyClick(list, list->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
    }
    // Forward through the wiring list and back.
    void walkSteps() {
        std::deque<Action> plan;
        for (int k = 0; k <= LastStep; ++k)
            plan.push_back([this] { click(board()->BitBtn_next()); });
        for (int k = 0; k <= LastStep; ++k)
            plan.push_back([this] { click(board()->BitBtn_prev()); });
        prepend(std::move(plan));
    }
    std::deque<Action> documents() {
        std::deque<Action> plan;
        for (auto button : {&BoardForm::BitBtn_yaoqiu, &BoardForm::BitBtn_result, &BoardForm::bbtn_descrip,
                            &BoardForm::BitBtn_sch, &BoardForm::BitBtn_flow})
            plan.push_back([this, button] { click((board()->*button)()); });
        return plan;
    }
    QList<int> blocks() const {
        QList<int> out;
        BoardForm* form = board();
        for (int i = 0; i < form->componentCount(); ++i)
            if (form->clickWired(i) && form->components()[i].kind == boards::ComponentKind::Block)
                out << i;
        return out;
    }
    void clickBlock(int index) {
        BoardForm* form = board();
        QTest::mouseClick(form->boardArea(), Qt::LeftButton, {}, form->componentRect(index).center());
    }

    void planTour() {
        for (QAction* item : mainform->referenceItems())
            queue_.push_back([item] { item->trigger(); });
        for (int m = 0; m < 4; ++m) {
            queue_.push_back([this, m] { chooseModel(m); });
            queue_.push_back([this] { tourBoard(); });
        }
    }
    void tourBoard() {
        std::deque<Action> plan;
        for (int i : blocks())
            plan.push_back([this, i] { clickBlock(i); });
        for (int t = 0; t < board()->RGTYPE()->count(); ++t) {
            plan.push_back([this, t] { selectType(t); });
            plan.push_back([this] { tourType(); });
        }
        prepend(std::move(plan));
    }
    void tourType() {
        std::deque<Action> plan;
        for (int i = 0; i < board()->cbExam()->count(); ++i) {
            plan.push_back([this, i] { selectExperiment(i); });
            plan.push_back([this] { walkSteps(); });
            const QString key = QString::number(ExperimentRecord.CpuType) + board()->cbExam()->itemText(i);
            if (seen_.contains(key))
                continue;
            seen_.insert(key);
            for (Action& a : documents())
                plan.push_back(std::move(a));
            plan.push_back([] { mainform->PageControl1->setCurrentIndex(0); });
            plan.push_back([] { mainform->PageControl1->setCurrentIndex(2); });
            plan.push_back([] { mainform->PageControl1->setCurrentIndex(1); });
        }
        prepend(std::move(plan));
    }

    void planRound() {
        ++round_;
        // Every eighth round the user moves to the next model and every eighth but four changes the
        // experiment type; these rounds pick another experiment too. The other rounds are spent beside a
        // program running on the drawn board: display.asm on QK740X, started once and left running (and
        // stopped and started again now and then), while the user steps, reads and looks around.
        const bool wander = round_ % 4 == 0;
        if (round_ % 8 == 0) {
            queue_.push_back([this] { chooseModel((model_ + 1) % 4); });
        } else if (wander) {
            queue_.push_back([this] { selectType((board()->RGTYPE()->itemIndex() + 1) % board()->RGTYPE()->count()); });
        }
        if (wander) {
            queue_.push_back([this] {
                QComboBox* list = board()->cbExam();
                if (list->count() > 0)
                    selectExperiment(list->currentIndex() + 1 >= list->count() ? 0 : list->currentIndex() + 1);
            });
        } else {
            queue_.push_back([this] { keepDisplayRunning(); });
        }
        queue_.push_back([this] { walkSteps(); });
        for (Action& a : documents())
            queue_.push_back(std::move(a));
        // A reference item of the menu and a module block of the board.
        queue_.push_back([this] {
            const QList<QAction*>& items = mainform->referenceItems();
            if (!items.isEmpty())
                items[round_ % items.size()]->trigger();
        });
        queue_.push_back([this] {
            const QList<int> all = blocks();
            if (!all.isEmpty())
                clickBlock(all[round_ % all.size()]);
        });
        // Now and then a look at the source and the video tab.
        if (round_ % 3 == 0) {
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(0); });
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(2); });
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(1); });
        }
    }

    // Back on QK740X with display.asm running; every sixth round it is stopped and started again.
    void keepDisplayRunning() {
        app::RunMenu* menu = app::RunMenu::of(*mainform);
        if (!menu)
            return;
        std::deque<Action> plan;
        if (model_ != 0)
            plan.push_back([this] { chooseModel(0); });
        plan.push_back([this] { selectType(0); });
        plan.push_back([this] {
            const int item = board()->cbExam()->findText(QString::fromUtf8(kRunExperiment));
            if (item >= 0)
                selectExperiment(item);
        });
        plan.push_back([this, menu] {
            if (menu->run().active() && round_ % 6 == 0)
                menu->stopAction()->trigger();
            if (!menu->run().active() && menu->runAction()->isEnabled()) {
                menu->runAction()->trigger();
                ++figures.runs;
            }
            mainform->PageControl1->setCurrentIndex(1);
        });
        prepend(std::move(plan));
    }

    void click(QPushButton* button) {
        if (!button->isEnabled())
            return;
        if (button == board()->BitBtn_next() || button == board()->BitBtn_prev())
            ++figures.steps;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QTimer tick_;
    QTimer closer_;
    QElapsedTimer clock_;
    qint64 openSince_ = -1;
    std::deque<Action> queue_;
    QSet<QString> seen_;
    bool touring_ = true;
    qint64 tourEnded_ = -1;
    int model_ = 0;
    int round_ = 0;
};

bool programRuns() {
    const app::RunMenu* menu = mainform ? app::RunMenu::of(*mainform) : nullptr;
    return menu && menu->run().active();
}

void BM_Soak(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir work;
        QFile::copy(QStringLiteral(LABGUIDE_WORK_DIR "/QK740X.mdb"), work.filePath("QK740X.mdb"));
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(work.path());
        programfolder::setOverride(QStringLiteral(LABGUIDE_PROGRAM_DIR));
        errorreport::Reporter previous = errorreport::setReporter([](const QString& text) {
            ++figures.errors;
            std::fprintf(stderr, "error report: %s\n", text.toUtf8().constData());
        });

        app::createForms();
        ScriptedUser user;
        user.start();
        QElapsedTimer clock;
        clock.start();
        QTimer sampler;
        qint64 minutesPrinted = 0;
        sampler.setInterval(1000);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            if (trimHeap)
                malloc_trim(0);
            const long rss = residentKb();
            figures.rssPeak = std::max(figures.rssPeak, rss);
            // The baseline: after the first minute, and not before the first tour has ended (on a busy
            // machine it can take longer than a minute); taken while no program runs, as the end is, since a
            // running machine with its instruments holds about 2 MB of its own.
            if (figures.rssAtMinute < 0 && clock.elapsed() >= 60000 && !user.touring() && !programRuns()) {
                figures.rawAtMinute = rss;
                figures.rssAtMinute = heldKb();
                figures.baselineSeconds = clock.elapsed() / 1000.0;
            }
            const qint64 every = traceSeconds > 0 ? traceSeconds * 1000 : 60000;
            if (clock.elapsed() / every > minutesPrinted) {
                minutesPrinted = clock.elapsed() / every;
                std::printf("soak: %5.0f s VmRSS %ld kB, round %d\n", clock.elapsed() / 1000.0, rss, user.round());
                std::fflush(stdout);
            }
        });
        sampler.start();
        QEventLoop loop;
        QTimer::singleShot(soakSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        user.stop();
        sampler.stop();
        // Let the last viewer close and the program stop before measuring.
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        if (app::RunMenu* menu = app::RunMenu::of(*mainform))
            menu->stopAction()->trigger();
        QApplication::processEvents();
        figures.rawEnd = residentKb();
        figures.rssEnd = heldKb();
        if (figures.rssAtMinute < 0) {
            figures.rssAtMinute = figures.rssEnd;
            figures.rawAtMinute = figures.rawEnd;
        }
        figures.done = true;
        figures.tourSeconds = user.tourEndedMs() / 1000.0;

        delete mainform;
        errorreport::setReporter(previous);
        programfolder::setOverride(QString());
        QDir::setCurrent(oldCwd);
    }
    state.counters["raw_growth_kB"] = static_cast<double>(figures.rawEnd - figures.rawAtMinute);
    state.counters["rss_1min_kB"] = static_cast<double>(figures.rssAtMinute);
    state.counters["rss_end_kB"] = static_cast<double>(figures.rssEnd);
    state.counters["growth_kB"] = static_cast<double>(figures.rssEnd - figures.rssAtMinute);
    state.counters["actions"] = static_cast<double>(figures.actions);
    state.counters["viewers"] = static_cast<double>(figures.viewers);
    state.counters["runs"] = static_cast<double>(figures.runs);
}

} // namespace

int main(int argc, char** argv) {
    // Our own flags first; Google Benchmark reads the rest.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--soak-seconds=", 15) == 0)
            soakSeconds = std::atoi(argv[i] + 15);
        else if (std::strncmp(argv[i], "--max-growth-kb=", 16) == 0)
            maxGrowthKb = std::atol(argv[i] + 16);
        else if (std::strncmp(argv[i], "--trace-seconds=", 16) == 0)
            traceSeconds = std::atoi(argv[i] + 16);
        else if (std::strcmp(argv[i], "--trim") == 0)
            trimHeap = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (soakSeconds <= 0) {
        std::fprintf(stderr, "bench_soak: --soak-seconds must be positive\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    LabApplication application(argc, argv);
    fonts::installSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("soak/board_docked_scripted_user", BM_Soak)
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!figures.done)
        return 0; // filtered out
    const long growth = figures.rssEnd - figures.rssAtMinute;
    std::printf("soak: %d s, %ld user actions (%ld steps, %ld viewers opened, %ld runs of display.asm), %ld error "
                "reports\n",
                soakSeconds, figures.actions, figures.steps, figures.viewers, figures.runs, figures.errors);
    std::printf("soak: the first tour of every board, experiment and viewer took %.1f s\n", figures.tourSeconds);
    std::printf("soak: VmRSS after 1 min (taken at %.0f s) %ld kB, at the end %ld kB, growth %ld kB (allowed %ld kB), "
                "peak %ld kB\n",
                figures.baselineSeconds, figures.rssAtMinute, figures.rssEnd, growth, maxGrowthKb, figures.rssPeak);
    std::printf("soak: compared with VmRSS before freed heap went back: after 1 min %ld kB, at the end %ld kB, "
                "growth %ld kB\n",
                figures.rawAtMinute, figures.rawEnd, figures.rawEnd - figures.rawAtMinute);
    if (figures.baselineSeconds < 0)
        std::printf("soak: no baseline: the run ended before the first minute and the first tour were over\n");
    const bool ok = figures.baselineSeconds >= 0 && growth <= maxGrowthKb && figures.errors == 0 &&
                    figures.actions > soakSeconds;
    std::printf("soak: %s\n", ok ? "PASSED" : "FAILED");
    return ok ? 0 : 1;
}
