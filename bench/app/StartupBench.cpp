// Start-up to the first painted main window, against a bare Qt main window measured in the same run.
// Each start is a process of its own (this program run with --child labguide|bare), timed from its launch
// to its exit right after the first paint, so both sides pay the toolkit's own start-up; the in-process
// figures of a warm start are printed beside them.
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
#include <cstdio>
#include <vector>

namespace {

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

double waitForPaint(QWidget* w, const QElapsedTimer& clock) {
    FirstPaint watch(w);
    while (!watch.painted())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

double childRun(const char* program, const char* which) {
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QString::fromLocal8Bit(program), {QStringLiteral("--child"), QString::fromLatin1(which)});
    p.waitForFinished(60000);
    return clock.nsecsElapsed() / 1e6;
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
        return 0;
    }
    {
        std::vector<double> bare, program;
        for (int i = 0; i < 7; ++i) {
            bare.push_back(childRun(argv[0], "bare"));
            program.push_back(childRun(argv[0], "labguide"));
        }
        const double b = median(bare), p = median(program);
        std::printf("process start to first painted main window: labguide %.1f ms, bare Qt main window %.1f ms, "
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
