// Soak: the program runs for a long stretch (10 minutes by default) on a display with a board docked, its
// blink and motor timers running, while a scripted user steps through wiring lists, picks experiments,
// changes type and model, switches tabs and opens and closes every kind of viewer. It prints the resident
// memory (VmRSS) after the first minute and at the end, and fails when it grew by more than the allowed
// amount after the first minute, or when an error report appeared.
//
//   bench_soak [--soak-seconds=600] [--max-growth-kb=2048] [Google Benchmark flags]
#include "app/LabApplication.h"
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
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>

namespace {

int soakSeconds = 600;
long maxGrowthKb = 2048;

struct Figures {
    long rssAtMinute = -1;
    long rssEnd = -1;
    long rssPeak = 0;
    long actions = 0;
    long viewers = 0;
    long steps = 0;
    long errors = 0;
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

BoardForm* boardForm(int model) {
    switch (model) {
    case 0: return FRM_QK740X;
    case 1: return Frm_620x;
    case 2: return Frm310x1;
    default: return frm8086;
    }
}
const char* const modelItems[] = {"QK740X", "QK620X", "QK310X1", "QK930X"};

// The scripted user: one action a tick; each round works through one experiment of the docked board.
class ScriptedUser {
public:
    void start() {
        tick_.setInterval(120);
        QObject::connect(&tick_, &QTimer::timeout, [this] { next(); });
        tick_.start();
        // Viewers are modal; a separate timer plays the user closing them after a short look.
        closer_.setInterval(100);
        QObject::connect(&closer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                openSince_ = -1;
                return;
            }
            if (openSince_ < 0) {
                openSince_ = clock_.elapsed();
                ++figures.viewers;
            } else if (clock_.elapsed() - openSince_ >= 250) {
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

private:
    BoardForm* board() const { return boardForm(model_); }

    void next() {
        if (queue_.empty())
            planRound();
        auto action = std::move(queue_.front());
        queue_.pop_front();
        ++figures.actions;
        action();
    }

    void planRound() {
        ++round_;
        // Every eighth round the user moves to the next model; every fourth changes the experiment type.
        if (round_ == 1 || round_ % 8 == 0) {
            if (round_ > 1)
                model_ = (model_ + 1) % 4;
            queue_.push_back([this] { mainform->menuItem(modelItems[model_])->trigger(); });
        } else if (round_ % 4 == 0) {
            queue_.push_back([this] {
                TRadioGroup* types = board()->RGTYPE();
                if (types->count() > 1)
                    QTest::mouseClick(types->button((types->itemIndex() + 1) % types->count()), Qt::LeftButton);
            });
        }
        queue_.push_back([this] {
            QComboBox* list = board()->cbExam();
            if (list->count() == 0)
                return;
            if (list->currentIndex() + 1 >= list->count())
                while (list->currentIndex() > 0)
                    QTest::keyClick(list, Qt::Key_Up);
            else
                QTest::keyClick(list, Qt::Key_Down);
        });
        // Forward through the list and back.
        queue_.push_back([this] {
            const int steps = LastStep + 1;
            for (int k = 0; k < steps; ++k)
                queue_.push_front([this] { click(board()->BitBtn_prev()); });
            for (int k = 0; k < steps; ++k)
                queue_.push_front([this] { click(board()->BitBtn_next()); });
        });
        for (auto button : {&BoardForm::BitBtn_yaoqiu, &BoardForm::BitBtn_result, &BoardForm::bbtn_descrip,
                            &BoardForm::BitBtn_sch, &BoardForm::BitBtn_flow})
            queue_.push_back([this, button] { click((board()->*button)()); });
        // A reference item of the menu and a module block of the board.
        queue_.push_back([this] {
            const QList<QAction*>& items = mainform->referenceItems();
            if (!items.isEmpty())
                items[round_ % items.size()]->trigger();
        });
        queue_.push_back([this] {
            BoardForm* form = board();
            QList<int> blocks;
            for (int i = 0; i < form->componentCount(); ++i)
                if (form->clickWired(i) && form->components()[i].kind == boards::ComponentKind::Block)
                    blocks << i;
            if (blocks.isEmpty())
                return;
            const int i = blocks[round_ % blocks.size()];
            const QRect r = form->componentRect(i);
            QTest::mouseClick(form->boardArea(), Qt::LeftButton, {}, r.center());
        });
        // Now and then a look at the source and the video tab.
        if (round_ % 3 == 0) {
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(0); });
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(2); });
            queue_.push_back([] { mainform->PageControl1->setCurrentIndex(1); });
        }
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
    std::deque<std::function<void()>> queue_;
    int model_ = 0;
    int round_ = 0;
};

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
        sampler.setInterval(1000);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const long rss = residentKb();
            figures.rssPeak = std::max(figures.rssPeak, rss);
            if (figures.rssAtMinute < 0 && clock.elapsed() >= 60000)
                figures.rssAtMinute = rss;
        });
        sampler.start();
        QEventLoop loop;
        QTimer::singleShot(soakSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        user.stop();
        sampler.stop();
        // Let the last viewer close before measuring.
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QApplication::processEvents();
        figures.rssEnd = residentKb();
        if (figures.rssAtMinute < 0)
            figures.rssAtMinute = figures.rssEnd;
        figures.done = true;

        delete mainform;
        errorreport::setReporter(previous);
        programfolder::setOverride(QString());
        QDir::setCurrent(oldCwd);
    }
    state.counters["rss_1min_kB"] = static_cast<double>(figures.rssAtMinute);
    state.counters["rss_end_kB"] = static_cast<double>(figures.rssEnd);
    state.counters["growth_kB"] = static_cast<double>(figures.rssEnd - figures.rssAtMinute);
    state.counters["actions"] = static_cast<double>(figures.actions);
    state.counters["viewers"] = static_cast<double>(figures.viewers);
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
    std::printf("soak: %d s, %ld user actions (%ld steps, %ld viewers opened), %ld error reports\n", soakSeconds,
                figures.actions, figures.steps, figures.viewers, figures.errors);
    std::printf("soak: VmRSS after 1 min %ld kB, at the end %ld kB, growth %ld kB (allowed %ld kB), peak %ld kB\n",
                figures.rssAtMinute, figures.rssEnd, growth, maxGrowthKb, figures.rssPeak);
    const bool ok = growth <= maxGrowthKb && figures.errors == 0 && figures.actions > soakSeconds;
    std::printf("soak: %s\n", ok ? "PASSED" : "FAILED");
    return ok ? 0 : 1;
}
