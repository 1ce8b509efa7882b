// The experiment handout as PDF: one experiment from the start (the board drawing made, the file written;
// target under 1 s), and every bundled experiment board QK740X offers with one drawing reused, as
// `labtool handout --all` does (target under 30 s). The peak memory of the process is printed at the end
// (target under 300 MB).
#include "base/Fonts.h"
#include "boards/BoardInfo.h"
#include "engine/CatalogueSource.h"
#include "handout/Handout.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QList<CatalogueRow> bundledRows() {
    const QString folder = QStringLiteral(LABGUIDE_SOURCE_DIR "/data/catalogue");
    QList<CatalogueRow> rows;
    for (const QString& f : cataloguesource::sourceFiles(folder)) {
        QFile file(QDir(folder).filePath(f));
        if (file.open(QIODevice::ReadOnly))
            rows << cataloguesource::parseRow(file.readAll());
    }
    return rows;
}

const handout::Folders kFolders{QStringLiteral(LABGUIDE_SOURCE_DIR "/data/"), QStringLiteral(LABGUIDE_PROGRAM_DIR "/")};

void BM_OneHandout(benchmark::State& state) {
    QTemporaryDir dir;
    CatalogueRow row;
    for (const CatalogueRow& r : bundledRows())
        if (r.cpuType == 1 && r.name == QStringLiteral("P1口输出 流水灯"))
            row = r;
    int pages = 0;
    for (auto _ : state) {
        handout::Maker maker(QStringLiteral("QK740X"), kFolders);
        pages = maker.writePdf(dir.filePath("one.pdf"), row);
    }
    state.counters["pages"] = pages;
    state.SetLabel("P1口输出 流水灯 on QK740X, drawing made and file written; target < 1 s");
}

void BM_AllQK740X(benchmark::State& state) {
    QTemporaryDir dir;
    const QList<int> offered = boards::offeredCpuTypes(QStringLiteral("QK740X"));
    QList<CatalogueRow> rows;
    for (const CatalogueRow& r : bundledRows())
        if (offered.contains(r.cpuType))
            rows << r;
    int pages = 0;
    for (auto _ : state) {
        handout::Maker maker(QStringLiteral("QK740X"), kFolders);
        pages = 0;
        for (int i = 0; i < rows.size(); ++i)
            pages += maker.writePdf(dir.filePath(QString::number(i) + ".pdf"), rows[i]);
    }
    state.counters["experiments"] = rows.size();
    state.counters["pages"] = pages;
    state.SetLabel("every experiment QK740X offers, one drawing reused; target < 30 s");
}

long statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

BENCHMARK(BM_OneHandout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllQK740X)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\npeak memory (VmHWM): %.1f MiB; target < 300 MB\n", statusKb("VmHWM:") / 1024.0);
    return 0;
}
