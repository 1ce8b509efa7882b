// Start-up to the first painted main window, against a bare Qt main window measured in the same run.
#include "app/LabApplication.h"
#include "app/mainform.h"
#include "engine/linksheet.h"

#include <QElapsedTimer>
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

int main(int argc, char** argv) {
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
    std::printf("start-up to first painted main window: labguide %.2f ms, bare Qt main window %.2f ms, "
                "ratio %.2f (target at most 1.5)\n", p, b, p / b);
    return 0;
}
