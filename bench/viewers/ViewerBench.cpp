// Opening a 12-megapixel JPEG in the picture viewer (decode and first fitted paint) against djpeg decoding
// the same file in the same run, the memory that opening takes against the decoded picture, and re-fitting
// the picture when the viewer is resized.
#include "codecs/Decoders.h"
#include "codecs/PictureLoader.h"
#include "viewers/PictureBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <string>

namespace {

constexpr int kWidth = 4000, kHeight = 3000; // 12 megapixels
const QSize kViewerBox(481, 311);

QString g_jpeg;
QString g_djpeg;

// A photograph-like picture: smooth gradients with fine texture, so the file has realistic detail.
QImage makePicture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int texture = int(32 * std::sin(x * 0.37) * std::cos(y * 0.23));
            const int r = (x * 255 / kWidth + texture) & 0xFF;
            const int g = (y * 255 / kHeight - texture) & 0xFF;
            const int b = ((x + y) * 255 / (kWidth + kHeight) + ((x * 7 + y * 13) % 17)) & 0xFF;
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

// Opens the picture as the viewer does: load by extension, hand it to the picture box, paint it once.
void openInViewer(TImage& box, QImage& canvas) {
    codecs::Picture picture = codecs::loadPicture(g_jpeg);
    box.setPicture(std::move(picture.image));
    box.render(&canvas);
}

void BM_OpenJpeg12MP(benchmark::State& state) {
    TImage box;
    box.resize(kViewerBox);
    QImage canvas(kViewerBox, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        box.setPicture(QImage()); // the previous opening's picture is not part of this one
        state.ResumeTiming();
        openInViewer(box, canvas);
    }
    if (box.drawnRect() != QRect(33, 0, 414, 311))
        state.SkipWithError("the picture was not fitted");
}

// The decoder alone, from bytes in memory: what opening costs beyond libjpeg's own work.
void BM_DecodeJpeg12MP(benchmark::State& state) {
    QFile f(g_jpeg);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::decodeJpeg(bytes));
}

double childCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// djpeg's own processor time (user and system), counted from its exits, for a comparison that a busy
// machine does not blur.
double g_djpegCpuMs = -1;

// The picture box's part of an opening: the first fit (halved copies and the fitted copy) and its paint.
void BM_FirstFit12MP(benchmark::State& state) {
    const QImage picture = codecs::loadPicture(g_jpeg).image;
    TImage box;
    box.resize(kViewerBox);
    QImage canvas(kViewerBox, QImage::Format_RGB32);
    for (auto _ : state) {
        box.setPicture(picture); // shares the pixels; the box never writes to them
        box.render(&canvas);
    }
}

void BM_Djpeg12MP(benchmark::State& state) {
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        QProcess p;
        p.start(g_djpeg, {"-outfile", "/dev/null", g_jpeg});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("djpeg failed");
            break;
        }
    }
    g_djpegCpuMs = (childCpuMs() - cpuBefore) / double(state.iterations());
    state.counters["djpeg_cpu_ms"] = g_djpegCpuMs;
}

void BM_RefitOnResize12MP(benchmark::State& state) {
    QWidget window;
    window.resize(1600, 1200);
    auto* box = new TImage(&window);
    box->resize(kViewerBox);
    box->setPicture(codecs::loadPicture(g_jpeg).image);
    window.show();
    QApplication::processEvents();
    const QSize sizes[] = {{1024, 768}, {481, 311}, {1280, 900}, {700, 500}};
    QImage canvas(QSize(1280, 900), QImage::Format_RGB32);
    size_t i = 0;
    for (auto _ : state) {
        box->resize(sizes[i++ % std::size(sizes)]); // the re-fit happens in the resize itself
        box->render(&canvas);
    }
}

BENCHMARK(BM_OpenJpeg12MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DecodeJpeg12MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FirstFit12MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_Djpeg12MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RefitOnResize12MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(1.0);

// Keeps each benchmark's mean real time for the comparison printed at the end.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.iterations > 0 && !r.error_occurred) {
                msPerRun[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpuMsPerRun[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> msPerRun, cpuMsPerRun;
};

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

// Peak memory added by one opening, from the kernel's high-water mark reset just before it.
double openingPeakMb() {
    TImage box;
    box.resize(kViewerBox);
    QImage canvas(kViewerBox, QImage::Format_RGB32);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKb("VmRSS:");
    openInViewer(box, canvas);
    const long peak = statusKb("VmHWM:");
    return before < 0 || peak < 0 ? -1 : (peak - before) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    g_djpeg = QStandardPaths::findExecutable("djpeg");
    if (g_djpeg.isEmpty()) {
        std::fprintf(stderr, "djpeg (libjpeg-turbo-progs) is needed for the comparison\n");
        return 1;
    }
    QTemporaryDir dir;
    g_jpeg = dir.filePath("photo12mp.jpg");
    {
        const QByteArray bytes = codecs::encodeJpeg(makePicture(), 90);
        QFile f(g_jpeg);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
        std::printf("test picture: %d x %d JPEG, %.1f MB, quality 90\n", kWidth, kHeight, bytes.size() / 1e6);
    }
    const double peakMb = openingPeakMb();

    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double decodedMb = double(kWidth) * kHeight * 4 / (1024 * 1024);
    std::printf("\nopening memory: peak %.1f MiB over the decoded picture's %.1f MiB (32-bit pixels) = %.2fx "
                "(target at most 2x)\n",
                peakMb, decodedMb, peakMb / decodedMb);
    const auto open = reporter.msPerRun.find("BM_OpenJpeg12MP/min_time:2.000/process_time/real_time");
    const auto djpeg = reporter.msPerRun.find("BM_Djpeg12MP/min_time:2.000/process_time/real_time");
    if (open != reporter.msPerRun.end() && djpeg != reporter.msPerRun.end())
        std::printf("opening a 12 MP JPEG (decode + first fitted paint): %.1f ms vs djpeg decoding the same file "
                    "%.1f ms = %.2fx (target at most 1.3x)\n",
                    open->second, djpeg->second, open->second / djpeg->second);
    const auto openCpu = reporter.cpuMsPerRun.find("BM_OpenJpeg12MP/min_time:2.000/process_time/real_time");
    if (openCpu != reporter.cpuMsPerRun.end() && g_djpegCpuMs > 0)
        std::printf("  in processor time: %.1f ms vs djpeg %.1f ms = %.2fx\n", openCpu->second, g_djpegCpuMs,
                    openCpu->second / g_djpegCpuMs);
    const auto refit = reporter.msPerRun.find("BM_RefitOnResize12MP/min_time:1.000/process_time/real_time");
    if (refit != reporter.msPerRun.end())
        std::printf("re-fitting a 12 MP picture on a resize (with its paint): %.2f ms (target under 16 ms)\n",
                    refit->second);
    return 0;
}
