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

#include <cstdio>

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
    contentpack::Content content;
    for (auto _ : state) {
        content = contentpack::collect(cataloguesource::readCatalogue(f.catalogue), f.dir.path() + "/home", kData, nullptr);
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
        const contentpack::MergeResult r = contentpack::mergePack(contentpack::readPack(f.pack), into,
                                                                  contentpack::Conflicts::Refuse);
        files = r.filesWritten;
        state.PauseTiming();
        QDir(into).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["files"] = files;
}
BENCHMARK(BM_UnpackBundledIntoEmptyFolder)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Target: packing and unpacking the 49 bundled experiments with all their pictures under 2 s each.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
