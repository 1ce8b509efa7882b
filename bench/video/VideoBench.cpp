// Camera figures: live preview CPU cost, time to start a recording, time to stop and finish a long file.
#include "video/GstCaptureService.h"
#include "video/Videocap.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <ctime>
#include <memory>

using namespace capture;

namespace {

const char* const kLive640 = "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=640,height=480,framerate=30/1";
// As fast as the machine goes: 60 seconds of pictures in a few seconds of wall time.
const char* const kFast = "videotestsrc is-live=false pattern=black ! capsfilter caps=video/x-raw,width=320,height=240,framerate=30/1";

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Camera {
    explicit Camera(const char* launch)
        : service(QList<SourceSlot>{{QStringLiteral("bench"), QString::fromLatin1(launch)}}),
          cap(nullptr, &service) {
        cap.resize(320, 240);
        cap.show();
        cap.setDriverIndex(0);
        cap.setDriverOpen(true);
        cap.setVideoPreview(true);
        cap.setPreviewScaleToWindow(true);
    }
    GstCaptureService service;
    TVideoCap cap;
};

// CPU share of one core over `ms` of wall time while the event loop runs.
double cpuShare(int ms) {
    const double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(ms);
    return (processCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
}

// The same source into a fake sink alone: what the picture source costs without us.
double bareSourceShare(int ms) {
    GError* err = nullptr;
    GstElement* p = gst_parse_launch((std::string(kLive640) + " ! fakesink sync=false").c_str(), &err);
    g_clear_error(&err);
    if (!p)
        return -1;
    gst_element_set_state(p, GST_STATE_PLAYING);
    spin(200);
    const double share = cpuShare(ms);
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
    return share;
}

void BM_LivePreviewCpu(benchmark::State& state) {
    double preview = 0, bare = 0, paintedPerSecond = 0;
    for (auto _ : state) {
        bare = bareSourceShare(3000);
        Camera camera(kLive640);
        spin(300); // past start-up
        camera.cap.RefreshStatus();
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        int painted = 0;
        // Count the pictures the capture window really paints.
        struct Counter : QObject {
            int* n;
            explicit Counter(int* c) : n(c) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint)
                    ++*n;
                return false;
            }
        } counter(&painted);
        camera.cap.captureWindow()->installEventFilter(&counter);
        spin(3000);
        preview = (processCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
        paintedPerSecond = painted / (wall.nsecsElapsed() / 1e9);
        camera.cap.captureWindow()->removeEventFilter(&counter);
    }
    state.counters["painted_per_s"] = paintedPerSecond;
    state.counters["preview_cpu_%"] = preview * 100;
    state.counters["bare_source_cpu_%"] = bare * 100;
    state.counters["target_%"] = 15;
    state.SetLabel("640x480 30 fps test source previewed scaled into 320x240; compared with the bare source and the 15% target");
}
BENCHMARK(BM_LivePreviewCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_StartRecording(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Camera camera(kLive640);
    double worstMs = 0;
    int started = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const bool ok = camera.cap.StartCapture();
        const double ms = t.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1000);
        worstMs = std::max(worstMs, ms);
        started += ok;
        state.PauseTiming();
        spin(100);
        camera.cap.StopCapture();
        state.ResumeTiming();
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["started"] = started;
    state.counters["target_ms"] = 50;
    state.SetLabel("StartCapture on an open 640x480 live camera; target 50 ms");
    QDir::setCurrent(previous);
}
BENCHMARK(BM_StartRecording)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

double discoveredSeconds(const QString& file) {
    QProcess p;
    p.start(QStringLiteral(GST_DISCOVERER), {QFileInfo(file).absoluteFilePath()});
    p.waitForFinished(30000);
    const auto m = QRegularExpression(R"(Duration: (\d+):(\d+):(\d+\.\d+))").match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble() : -1;
}

// Records `seconds` of pictures from the fast source, then times the stop that finishes the file.
double stopAfter(Camera& camera, std::uint32_t seconds, const QString& file) {
    camera.cap.setVideoFileName(file);
    if (!camera.cap.StartCapture())
        return -1;
    const std::uint32_t frames = seconds * camera.cap.FrameRate();
    for (int waited = 0; waited < 120000; waited += 20) {
        camera.cap.RefreshStatus();
        if (camera.cap.statusCache()->dwCurrentVideoFrame >= frames)
            break;
        spin(20);
    }
    QElapsedTimer t;
    t.start();
    camera.cap.StopCapture();
    return t.nsecsElapsed() / 1e6;
}

void BM_StopAndFinish60s(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Camera camera(kFast);
    double long_ms = 0, short_ms = 0;
    for (auto _ : state) {
        short_ms = stopAfter(camera, 2, QStringLiteral("short.avi"));
        long_ms = stopAfter(camera, 60, QStringLiteral("long.avi"));
        state.SetIterationTime(long_ms / 1000);
    }
    state.counters["stop_60s_ms"] = long_ms;
    state.counters["stop_2s_ms"] = short_ms;
    state.counters["file_60s_seconds"] = discoveredSeconds(QStringLiteral("long.avi"));
    state.counters["target_ms"] = 500;
    state.SetLabel("StopCapture finishing a 60-second MJPEG AVI (vs a 2-second one); target 500 ms");
    QDir::setCurrent(previous);
}
BENCHMARK(BM_StopAndFinish60s)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
