// Hostile picture files of every format, loaded through the viewer's loader, each in a child process of
// its own: the time of the load and the memory it takes (the child's peak resident size less what it
// held before the load), against the budget every decoder keeps: the decoded picture at four bytes a
// pixel plus 64 MiB, in well under a second.
//
//   bench_codecs [--labtool PATH] [--keep DIR] [--corpus DIR]
//     --labtool PATH  also runs `PATH picture FILE` on each file (an older build, say) for comparison,
//                     killed after 60 s
//     --keep DIR      writes the hostile files into DIR instead of a temporary folder
//     --corpus DIR    only writes the small bombs of the fuzz corpora into DIR/corpus_<format>
#include "tests/codecs/Bombs.h"
#include "tests/codecs/Samples.h"

#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr double kBesidesPictureMiB = 64;

struct Hostile {
    const char* name;
    const char* file;
    std::function<QByteArray()> make;
    qint64 picturePixels; // the picture the file claims, when it is within the limits
};

std::vector<Hostile> hostileFiles() {
    return {
        {"PNG: 8 zTXt chunks of 60 MB each", "ztxt8.png", [] { return bombs::pngText("zTXt", 8, 60 << 20); }, 1},
        {"PNG: 41 zTXt chunks of 60 MB each", "ztxt41.png", [] { return bombs::pngText("zTXt", 41, 60 << 20); }, 1},
        {"PNG: 41 iTXt chunks of 60 MB each", "itxt41.png", [] { return bombs::pngText("iTXt", 41, 60 << 20); }, 1},
        {"PNG: 1000 tEXt chunks of 64 kB", "text1000.png", [] { return bombs::pngText("tEXt", 1000, 64 << 10); }, 1},
        {"PNG: 1 pixel, image data of 1 GB", "idat.png", [] { return bombs::pngLongImageData(1LL << 30); }, 1},
        {"PNG: claims 8000 x 8000", "claim.png", [] { return samples::pngClaiming(8000, 8000); }, 64000000},
        {"JPEG: progressive claiming 8000 x 8000", "progressive.jpg",
         [] { return bombs::jpegProgressiveClaiming(8000, 8000); }, 64000000},
        {"JPEG: 4096 x 4096 in 694 scans", "scans.jpg", [] { return bombs::jpegManyScans(4096, 4096); },
         4096 * 4096},
        {"JPEG: baseline claiming 8000 x 8000", "claim.jpg", [] { return samples::jpegClaiming(8000, 8000); },
         64000000},
        {"BMP: RLE8 claiming 8000 x 8000", "rle.bmp", [] { return bombs::bmpRle(8000, 8000); }, 64000000},
        {"ICO: 65535 entries", "entries.ico", [] { return bombs::icoManyEntries(65535); }, 256},
        {"ICO: RLE8 claiming 8000 x 8000", "rle.ico", [] { return bombs::icoRle(8000, 8000); }, 64000000},
        {"ICO: holding the 41 zTXt PNG", "ztxt.ico",
         [] { return bombs::icoHolding(bombs::pngText("zTXt", 41, 60 << 20)); }, 1},
        {"WMF: 80000 CreatePenIndirect", "pens80k.wmf", [] { return bombs::wmfPens(80000, 65535); }, 10000},
        {"WMF: 160000 CreatePenIndirect", "pens160k.wmf", [] { return bombs::wmfPens(160000, 65535); }, 10000},
        {"WMF: 100 bitmaps claiming 8000 x 8000", "bitmaps.wmf", [] { return bombs::wmfBitmaps(100, 8000, 8000); },
         10000},
        {"WMF: 10000 hatched fills of 4096 x 4096", "fills.wmf", [] { return bombs::wmfFills(10000, 4096); },
         4096 * 4096},
        {"WMF: 16 zigzags of 16000 points", "zigzags.wmf", [] { return bombs::wmfZigzags(16, 16000); },
         4096 * 4096},
        {"EMF: 100000 CreateBrushIndirect", "brushes.emf", [] { return bombs::emfBrushes(100000, 65535); }, 10000},
        {"EMF: 100 bitmaps claiming 8000 x 8000", "bitmaps.emf", [] { return bombs::emfBitmaps(100, 8000, 8000); },
         10000},
        {"EMF: 10000 hatched fills of 4096 x 4096", "fills.emf", [] { return bombs::emfFills(10000, 4096); },
         4096 * 4096},
    };
}

// The small bombs of the committed fuzz corpora: a few kB each, quick once the decoders keep their budget.
void writeCorpus(const QString& root) {
    const struct {
        const char* path;
        QByteArray bytes;
    } files[] = {
        {"corpus_png/bomb-ztxt.png", bombs::pngText("zTXt", 4, 4 << 20)},
        {"corpus_png/bomb-itxt.png", bombs::pngText("iTXt", 4, 4 << 20)},
        {"corpus_png/bomb-idat.png", bombs::pngLongImageData(16 << 20)},
        {"corpus_jpeg/bomb-progressive.jpg", bombs::jpegProgressiveClaiming(8000, 8000)},
        {"corpus_jpeg/bomb-scans.jpg", bombs::jpegManyScans(64, 64)},
        {"corpus_bmp/bomb-rle.bmp", bombs::bmpRle(8000, 8000)},
        {"corpus_ico/bomb-entries.ico", bombs::icoManyEntries(2000)},
        {"corpus_ico/bomb-rle.ico", bombs::icoRle(8000, 8000)},
        {"corpus_ico/bomb-ztxt.ico", bombs::icoHolding(bombs::pngText("zTXt", 4, 4 << 20))},
        {"corpus_wmf/bomb-pens.wmf", bombs::wmfPens(2000, 65535)},
        {"corpus_wmf/bomb-bitmaps.wmf", bombs::wmfBitmaps(20, 8000, 8000)},
        {"corpus_wmf/bomb-fills.wmf", bombs::wmfFills(500, 4096)},
        {"corpus_wmf/bomb-zigzag.wmf", bombs::wmfZigzags(1, 1000)},
        {"corpus_emf/bomb-brushes.emf", bombs::emfBrushes(1000, 65535)},
        {"corpus_emf/bomb-bitmaps.emf", bombs::emfBitmaps(20, 8000, 8000)},
        {"corpus_emf/bomb-fills.emf", bombs::emfFills(500, 4096)},
    };
    for (const auto& f : files) {
        const QString path = root + "/" + f.path;
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(f.bytes) != f.bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::printf("%-40s %8lld bytes\n", f.path, static_cast<long long>(f.bytes.size()));
    }
}

// "VmRSS:" (resident now) or "VmHWM:" (the peak so far) of this process, in KiB.
long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Child: loads one file and prints "<ms> <peak KiB beyond what was resident before> <outcome>".
int loadOne(const QString& path) {
    const long before = statusKiB("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    QString outcome;
    try {
        const codecs::Picture p = codecs::loadPicture(path);
        outcome = QStringLiteral("%1x%2 %3").arg(p.image.width()).arg(p.image.height()).arg(p.format);
    } catch (const Error& e) {
        outcome = e.message();
    }
    std::printf("%.1f %ld %s\n", clock.nsecsElapsed() / 1e6, statusKiB("VmHWM:") - before,
                qPrintable(outcome.left(90)));
    return 0;
}

struct Run {
    double ms = 0;
    double peakMiB = 0;
    std::string outcome;
    bool killed = false;
};

// Runs argv, its output into a pipe; the wall time, the peak resident size (KiB) and the output.
Run spawn(const std::vector<std::string>& args, int limitSeconds, std::string* output, long* maxKiB) {
    int fds[2];
    Run run;
    if (pipe(fds) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        close(fds[0]);
        close(fds[1]);
        return run;
    }
    close(fds[1]);
    posix_spawn_file_actions_destroy(&actions);
    char buffer[4096];
    ssize_t n;
    alarm(0);
    // Read until the child closes its output or the limit passes.
    fd_set set;
    while (true) {
        FD_ZERO(&set);
        FD_SET(fds[0], &set);
        const qint64 left = limitSeconds * 1000LL - clock.elapsed();
        if (left <= 0) {
            kill(pid, SIGKILL);
            run.killed = true;
            break;
        }
        timeval tv{time_t(left / 1000), suseconds_t((left % 1000) * 1000)};
        if (select(fds[0] + 1, &set, nullptr, nullptr, &tv) <= 0)
            continue;
        n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output->append(buffer, size_t(n));
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.ms = clock.nsecsElapsed() / 1e6;
    *maxKiB = usage.ru_maxrss;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2 && std::strcmp(argv[1], "--spawn") == 0) {
        // The peak a child reports includes its parent's when the parent was large at the spawn (the
        // kernel keeps the larger of the two): run from this small process instead, and pass it on.
        std::vector<std::string> args(argv + 2, argv + argc);
        std::string out;
        long maxKiB = 0;
        const Run r = spawn(args, 60, &out, &maxKiB);
        std::printf("%ld %s", r.killed ? -1 : maxKiB, out.c_str());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        QGuiApplication app(argc, argv); // metafile text needs fonts
        return loadOne(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    QString labtool, keep, corpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--labtool") == 0)
            labtool = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--keep") == 0)
            keep = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (!corpus.isEmpty()) {
        writeCorpus(corpus);
        return 0;
    }
    QTemporaryDir temporary;
    const QString dir = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(dir);
    const std::string self = QCoreApplication::applicationFilePath().toStdString();

    // What labtool holds for a picture of one pixel: subtracted from its peaks.
    long labtoolBase = 0;
    if (!labtool.isEmpty()) {
        const QString tiny = dir + "/tiny.png";
        QFile f(tiny);
        if (f.open(QIODevice::WriteOnly))
            f.write(samples::png(samples::halves(1, 1)));
        f.close();
        std::string out;
        long unused = 0;
        spawn({self, "--spawn", labtool.toStdString(), "picture", tiny.toStdString()}, 60, &out, &unused);
        labtoolBase = std::atol(out.c_str());
    }

    std::printf("%-42s %9s %9s %9s %9s  %s\n", "file", "size kB", "ms", "peak MiB", "budget", "outcome");
    int over = 0;
    for (const Hostile& h : hostileFiles()) {
        const QString path = dir + "/" + h.file;
        const QByteArray bytes = h.make();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        f.close();
        std::string out;
        long maxKiB = 0;
        spawn({self, "--load", path.toStdString()}, 60, &out, &maxKiB);
        double ms = 0;
        long peakKiB = 0;
        char outcome[256] = {};
        if (std::sscanf(out.c_str(), "%lf %ld %255[^\n]", &ms, &peakKiB, outcome) < 2) {
            ms = 60000;
            std::snprintf(outcome, sizeof outcome, "no result in 60 s");
        }
        const double peak = peakKiB / 1024.0;
        const double budget = h.picturePixels * 4 / 1048576.0 + kBesidesPictureMiB;
        const bool within = peak <= budget && ms < 1000;
        over += !within;
        std::printf("%-42s %9.1f %9.1f %9.1f %9.1f  %s%s\n", h.name, bytes.size() / 1024.0, ms, peak, budget,
                    within ? "" : "OVER BUDGET: ", outcome);
        if (!labtool.isEmpty()) {
            std::string lout;
            long unused = 0;
            const Run r =
                spawn({self, "--spawn", labtool.toStdString(), "picture", path.toStdString()}, 70, &lout, &unused);
            const long lmax = std::atol(lout.c_str());
            const QByteArray said = QByteArray::fromStdString(lout).mid(lout.find(' ') + 1).trimmed().left(90);
            std::printf("%-42s %9s %9.1f %9.1f %9s  %s\n", "  with --labtool", "", r.ms,
                        lmax < 0 ? 0.0 : (lmax - labtoolBase) / 1024.0, "",
                        lmax < 0 ? "killed after 60 s" : said.constData());
        }
        std::fflush(stdout);
        QFile::remove(path);
    }
    std::printf("%d of %zu files beyond the budget\n", over, hostileFiles().size());
    return over ? 1 : 0;
}
