// Start-up to the first painted main window, against a bare Qt main window measured in the same run.
// Each start is a process of its own (this program run with --child labguide|bare), timed from its launch
// to its first paint: the child prints the monotonic clock at that paint, so both sides pay the toolkit's
// own start-up and neither pays its tear-down. The in-process figures of a warm start are printed beside.
#include "app/LabApplication.h"
#include "app/mainform.h"
#include "engine/linksheet.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPaintEvent>
#include <QStatusBar>
#include <QTabWidget>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

std::int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Stops the clock at the first paint of the watched window.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* w) : window_(w) { qApp->installEventFilter(this); }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    bool painted() const { return painted_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget*>(o)->window() == window_)
            painted_ = true;
        return false;
    }

private:
    QWidget* window_;
    bool painted_ = false;
};

std::int64_t paintedAt = 0; // monotonic clock at the last first paint, in ns

double waitForPaint(QWidget* w, const QElapsedTimer& clock) {
    FirstPaint watch(w);
    while (!watch.painted())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    paintedAt = monotonicNs();
    return clock.nsecsElapsed() / 1e6;
}

double bareWindow() {
    QElapsedTimer clock;
    clock.start();
    QMainWindow w;
    w.menuBar()->addMenu("File")->addAction("Quit");
    auto* tabs = new QTabWidget;
    tabs->addTab(new QLabel("one"), "one");
    tabs->addTab(new QLabel("two"), "two");
    w.setCentralWidget(tabs);
    w.resize(805, 665);
    w.show();
    return waitForPaint(&w, clock);
}

double programWindow() {
    QElapsedTimer clock;
    clock.start();
    app::createForms();
    const double ms = waitForPaint(mainform, clock);
    delete mainform;
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

// Launch to first paint of one child, in ms; the child's first line of output is its clock at that paint.
double childRun(const char* program, const char* which) {
    QProcess p;
    const std::int64_t launched = monotonicNs();
    p.start(QString::fromLocal8Bit(program), {QStringLiteral("--child"), QString::fromLatin1(which)});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "the %s child failed\n", which);
        std::exit(1);
    }
    const std::int64_t painted = p.readAllStandardOutput().trimmed().split('\n').value(0).toLongLong();
    return (painted - launched) / 1e6;
}

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--child") {
        const bool program = QByteArray(argv[2]) == "labguide";
        if (program) {
            LabApplication application(argc, argv);
            programWindow();
        } else {
            QApplication application(argc, argv);
            bareWindow();
        }
        std::printf("%lld\n", static_cast<long long>(paintedAt));
        return 0;
    }
    {
        // One pair first to bring the files into the page cache, then medians of alternating pairs.
        childRun(argv[0], "bare");
        childRun(argv[0], "labguide");
        std::vector<double> bare, program;
        for (int i = 0; i < 15; ++i) {
            bare.push_back(childRun(argv[0], "bare"));
            program.push_back(childRun(argv[0], "labguide"));
        }
        const double b = median(bare), p = median(program);
        std::printf("process launch to first painted main window: labguide %.1f ms, bare Qt main window %.1f ms, "
                    "ratio %.2f (target at most 1.5)\n", p, b, p / b);
    }
    LabApplication application(argc, argv);
    // The first of each warms fonts and plugins; the figures are medians of the runs after it.
    bareWindow();
    programWindow();
    std::vector<double> bare, program;
    for (int i = 0; i < 9; ++i) {
        bare.push_back(bareWindow());
        program.push_back(programWindow());
    }
    const double b = median(bare), p = median(program);
    std::printf("warm, in one process: labguide %.2f ms, bare Qt main window %.2f ms, ratio %.2f\n", p, b, p / b);
    return 0;
}
