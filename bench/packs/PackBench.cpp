// Packing and unpacking the bundled experiments with all their sources and pictures, as labtool does it:
// from the catalogue file to the pack file, and from the pack file into an empty working folder.
#include "engine/CatalogueSource.h"
#include "packs/PackArchive.h"
#include "packs/PackMerge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kData = QStringLiteral(LABGUIDE_SOURCE_DIR "/data");

struct Fixture {
    QTemporaryDir dir;
    QString catalogue, pack;
    Fixture() {
        QList<CatalogueRow> rows;
        const QString source = kData + "/catalogue";
        for (const QString& f : cataloguesource::sourceFiles(source)) {
            QFile file(source + "/" + f);
            file.open(QIODevice::ReadOnly);
            rows << cataloguesource::parseRow(file.readAll());
        }
        QDir().mkpath(dir.path() + "/home");
        catalogue = dir.path() + "/home/QK740X.mdb";
        cataloguesource::writeCatalogue(catalogue, rows);
        pack = dir.path() + "/all.labpack";
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_PackBundled(benchmark::State& state) {
    Fixture& f = fixture();
    contentpack::PackSources content;
    for (auto _ : state) {
        content = contentpack::locate(cataloguesource::readCatalogue(f.catalogue), f.dir.path() + "/home", kData, nullptr);
        contentpack::writePack(f.pack, content);
    }
    state.counters["experiments"] = static_cast<double>(content.rows.size());
    state.counters["files"] = static_cast<double>(content.files.size());
    state.counters["pack_kB"] = static_cast<double>(QFile(f.pack).size() / 1024);
}
BENCHMARK(BM_PackBundled)->Unit(benchmark::kMillisecond);

void BM_UnpackBundledIntoEmptyFolder(benchmark::State& state) {
    Fixture& f = fixture();
    if (!QFile::exists(f.pack))
        contentpack::writePack(f.pack, contentpack::collect(cataloguesource::readCatalogue(f.catalogue),
                                                             f.dir.path() + "/home", kData, nullptr));
    int n = 0, files = 0;
    for (auto _ : state) {
        const QString into = f.dir.path() + QStringLiteral("/into%1").arg(n++);
        const contentpack::MergeResult r = contentpack::mergePack(contentpack::PackReader(f.pack), into,
                                                                  contentpack::Conflicts::Refuse);
        files = r.filesWritten;
        state.PauseTiming();
        QDir(into).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["files"] = files;
}
BENCHMARK(BM_UnpackBundledIntoEmptyFolder)->Unit(benchmark::kMillisecond);

// The process's peak resident memory since the last reset, in MB (Linux: VmHWM, reset through clear_refs).
double peakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// `megabytes` of pictures in `folder` (`pictureMegabytes` each, the last one shorter), each named by one
// experiment as its circuit and flow chart; bytes that do not compress, written in chunks so that this
// process never holds them.
struct Pictures {
    QList<CatalogueRow> rows;
    QStringList names;
};
Pictures writePictures(const QString& folder, qint64 megabytes, qint64 pictureMegabytes) {
    Pictures made;
    qint64 left = megabytes << 20;
    quint64 x = 88172645463325252ull;
    for (int i = 0; left > 0; ++i) {
        const qint64 size = std::min(left, pictureMegabytes << 20);
        left -= size;
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        QFile f(folder + "/" + name);
        f.open(QIODevice::WriteOnly);
        std::vector<quint64> chunk(8192);
        for (qint64 done = 0; done < size;) {
            for (quint64& v : chunk) { // xorshift
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                v = x;
            }
            const qint64 n = std::min<qint64>(size - done, qint64(chunk.size() * sizeof(quint64)));
            f.write(reinterpret_cast<const char*>(chunk.data()), n);
            done += n;
        }
        made.names << name;
        CatalogueRow r;
        r.name = QStringLiteral("大图 %1").arg(i);
        r.cpuType = 4;
        r.circuit = name;
        r.flowChart = name;
        r.wiring = QStringLiteral("A>B");
        made.rows << r;
    }
    return made;
}

// A pack of `megabytes` of pictures (64 MB each, the entry limit), stored as a jpg is; made by libzip straight
// from files so that this process never holds them.
QString bigPack(const QString& folder, qint64 megabytes) {
    // Room for the manifest and the rows within the total.
    const Pictures pictures = writePictures(folder, megabytes - 1, 64);
    QStringList rowEntries;
    QList<QByteArray> rows;
    for (int i = 0; i < pictures.rows.size(); ++i) {
        rowEntries << QStringLiteral("experiments/PCI/%1.json").arg(i + 1, 3, 10, QChar('0'));
        rows << cataloguesource::formatRow(pictures.rows[i]);
    }
    const QString pack = folder + QStringLiteral("/big%1.labpack").arg(megabytes);
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(pack).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    const QByteArray manifest = contentpack::formatManifest(rowEntries);
    auto add = [&](const QString& name, zip_source_t* source) {
        const zip_int64_t i = zip_file_add(z, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    };
    add(QStringLiteral("manifest.json"), zip_source_buffer(z, manifest.constData(), static_cast<zip_uint64_t>(manifest.size()), 0));
    for (int i = 0; i < rows.size(); ++i)
        add(rowEntries[i], zip_source_buffer(z, rows[i].constData(), static_cast<zip_uint64_t>(rows[i].size()), 0));
    for (const QString& p : pictures.names)
        add(QStringLiteral("pic/") + p, zip_source_file(z, QFile::encodeName(folder + "/" + p).constData(), 0, -1));
    zip_close(z);
    for (const QString& p : pictures.names)
        QFile::remove(folder + "/" + p);
    return pack;
}

// Unpacking a pack of 64 MB up to the largest allowed (512 MB in all) into an empty folder, as labtool
// unpack does it: peak memory must stay under 64 MB whatever the size, and time grow with it linearly.
void BM_UnpackUpToTheTotalLimit(benchmark::State& state) {
    QTemporaryDir dir;
    const QString pack = bigPack(dir.path(), state.range(0));
    double peak = 0;
    int files = 0;
    int n = 0;
    for (auto _ : state) {
        const QString into = dir.path() + QStringLiteral("/into%1").arg(n++);
        resetPeak();
        const contentpack::PackReader reader(pack);
        files = contentpack::mergePack(reader, into, contentpack::Conflicts::Refuse).filesWritten;
        peak = std::max(peak, peakMegabytes());
        state.PauseTiming();
        QDir(into).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["files"] = files;
    state.counters["peak_MB"] = peak;
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}
BENCHMARK(BM_UnpackUpToTheTotalLimit)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Iterations(2)->Unit(benchmark::kMillisecond);

// The same through a pack read whole into memory first (readPack, as labedit's import still does): the
// figure the streamed unpack is held against.
void BM_UnpackReadWholeFirst(benchmark::State& state) {
    QTemporaryDir dir;
    const QString pack = bigPack(dir.path(), state.range(0));
    double peak = 0;
    int n = 0;
    for (auto _ : state) {
        const QString into = dir.path() + QStringLiteral("/into%1").arg(n++);
        resetPeak();
        contentpack::mergePack(contentpack::readPack(pack), into, contentpack::Conflicts::Refuse);
        peak = std::max(peak, peakMegabytes());
        state.PauseTiming();
        QDir(into).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_UnpackReadWholeFirst)->Arg(64)->Arg(512)->Iterations(1)->Unit(benchmark::kMillisecond);

// Packing N pictures of 60 MB each as labtool pack does it, each streamed from its file into the zip: peak
// memory must stay under 64 MB whatever their number. BM_PackHeldWhole reads every picture into memory first
// (collect): the figure the streamed packing is held against.
void packPictures(benchmark::State& state, bool streamed) {
    QTemporaryDir dir;
    const QString home = dir.path() + "/home";
    QDir().mkpath(home + "/pic");
    const Pictures pictures = writePictures(home + "/pic", state.range(0) * 60, 60);
    double peak = 0;
    for (auto _ : state) {
        resetPeak();
        const QString out = dir.path() + "/big.labpack";
        if (streamed)
            contentpack::writePack(out, contentpack::locate(pictures.rows, home, home, nullptr));
        else
            contentpack::writePack(out, contentpack::collect(pictures.rows, home, home, nullptr));
        peak = std::max(peak, peakMegabytes());
    }
    state.counters["peak_MB"] = peak;
    state.SetBytesProcessed(state.iterations() * (state.range(0) * 60 << 20));
}
void BM_PackLargePictures(benchmark::State& state) { packPictures(state, true); }
void BM_PackHeldWhole(benchmark::State& state) { packPictures(state, false); }
BENCHMARK(BM_PackLargePictures)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackHeldWhole)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Target: packing and unpacking the 49 bundled experiments with all their pictures under 2 s each.\n");
    std::printf("Target: unpacking up to the 512 MB limit peaks under 64 MB (peak_MB), time proportional to size.\n");
    std::printf("Target: packing 8 pictures of 60 MB peaks under 64 MB (peak_MB), as packing one does.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
