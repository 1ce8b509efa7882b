// The catalogue operations on a catalogue of 1,000 experiments, and the wiring parse on a 255-byte text.
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "engine/linksheet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<CatalogueConnection> connection;
    Fixture() {
        QList<CatalogueRow> rows;
        for (int i = 0; i < 1000; ++i) {
            CatalogueRow r;
            r.name = QStringLiteral("实验%1 并行口输出").arg(i);
            r.cpuType = 1 + i % 4;
            r.program = QStringLiteral("exp%1.asm").arg(i);
            r.entry = "2000H";
            r.circuit = QStringLiteral("exp%1_sch.jpg").arg(i);
            r.flowChart = QStringLiteral("exp%1_flow.jpg").arg(i);
            r.wiring = "CS1>CS8255\r\nPA0>L1\r\nPA1>L2\r\nPA2>L3\r\nPA3>L4\r\nPB0>K1\r\nPB1>K2";
            r.purpose = QString(60, QChar(0x638C));
            r.requirement = QString(80, QChar(0x8981));
            r.description = QString(400, QChar(0x8BF4));
            rows << r;
        }
        cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb", rows);
        QDir::setCurrent(dir.path());
        connection = std::make_unique<CatalogueConnection>();
        engine::setCatalogue(connection.get());
        engine::CreateWiringSteps();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_FillExperimentList(benchmark::State& state) {
    fixture();
    QComboBox list;
    for (auto _ : state)
        FillExperimentList(1, &list); // 250 of the 1,000 rows
    state.counters["items"] = list.count();
}
BENCHMARK(BM_FillExperimentList)->Unit(benchmark::kMillisecond);

void BM_LoadExperiment(benchmark::State& state) {
    fixture();
    ExperimentRecord.CpuType = 2;
    const QString name = QStringLiteral("实验%1 并行口输出").arg(501);
    for (auto _ : state)
        LoadExperiment(name, 2);
    state.counters["steps"] = LastStep + 1;
}
BENCHMARK(BM_LoadExperiment)->Unit(benchmark::kMillisecond);

void BM_ParseWiring255(benchmark::State& state) {
    QByteArray text;
    for (int i = 0; text.size() < 255; ++i)
        text += "P1" + QByteArray::number(i % 8) + ">L" + QByteArray::number(i % 12 + 1) + "\r\n";
    text.truncate(255);
    fixture();
    for (auto _ : state) {
        int32_t last = -1;
        ParseWiring(text, last);
        benchmark::DoNotOptimize(last);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseWiring255)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Targets: FillExperimentList and LoadExperiment under 2 ms on 1,000 experiments; "
                "ParseWiring under 2 us on 255 bytes.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
