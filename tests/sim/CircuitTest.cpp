// The circuit loader, and QK740X's circuit held against the board's layout and the type-51 catalogue.
#include "sim/Circuit.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

using sim::PinRef;

namespace {

// Uses only the bus types (CPU, decoder, memory), so that the messages do not hang on other devices' pins.
const QByteArray sample = R"({
  "board": "TEST",
  "cpu": {"51": "cpu"},
  "devices": [
    {"name": "cpu", "type": "8051"},
    {"name": "dec", "type": "decoder", "outputs": {"FF80": ["FF80H", 16], "FF90": ["FF90H", 16]}},
    {"name": "mem", "type": "ram", "size": 1024}
  ],
  "terminals": {
    "p10": "cpu.P1.0",
    "FF80H": "dec.FF80",
    "JX": ["cpu.P1.1", null, "cpu.P1.3"]
  },
  "wires": [["mem.CS", "dec.FF90"]],
  "notes": {"JX": "ignored"}
}
)";

// The sample with one line replaced (lines counted from 1).
QByteArray withLine(int line, const QByteArray& text) {
    QList<QByteArray> lines = sample.split('\n');
    lines[line - 1] = text;
    return lines.join('\n');
}

std::string errorOf(const QByteArray& json) {
    try {
        sim::parseCircuit(json, "t.circuit.json");
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

QJsonObject readJson(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

QString source(const QString& relative) { return QStringLiteral(LABGUIDE_SOURCE_DIR "/") + relative; }

} // namespace

TEST(CircuitLoader, ReadsTerminalsConnectorsAndWires) {
    const sim::Circuit c = sim::parseCircuit(sample, "t.circuit.json");
    EXPECT_EQ(c.board, "TEST");
    EXPECT_EQ(c.cpuForType.at(1), "cpu");
    ASSERT_EQ(c.devices.size(), 3u);
    EXPECT_EQ(c.devices[2].line, 7);
    EXPECT_EQ(c.terminals.at("P10"), (std::vector<PinRef>{{"cpu", "P1.0"}})); // stored upper case
    EXPECT_EQ(c.terminals.at("JX"), (std::vector<PinRef>{{"cpu", "P1.1"}, {}, {"cpu", "P1.3"}}));
    ASSERT_EQ(c.wires.size(), 1u);
    EXPECT_EQ(c.wires[0], (std::vector<PinRef>{{"mem", "CS"}, {"dec", "FF90"}}));
}

TEST(CircuitLoader, EveryErrorNamesItsLine) {
    EXPECT_EQ(errorOf(withLine(6, R"(    {"name": "u8256", "type": "8256"},)")), "t.circuit.json 第6行：未知的器件类型 8256");
    EXPECT_EQ(errorOf(withLine(11, R"(    "FF80H": "dec.FF81",)")), "t.circuit.json 第11行：器件 dec 没有引脚 FF81");
    EXPECT_EQ(errorOf(withLine(11, R"(    "P10": "cpu.P1.1",)")), "t.circuit.json 第11行：端子 P10 重复");
    EXPECT_EQ(errorOf(withLine(11, R"(    "p10": "cpu.P1.1",)")), "t.circuit.json 第11行：端子 p10 重复");
    EXPECT_EQ(errorOf(withLine(14, R"(  "wires": [["mem.CS",)" "\n" R"("dec8.FF90"]],)")),
              "t.circuit.json 第15行：未知的器件 dec8");
    // A connector's pin is found on its own line.
    EXPECT_EQ(errorOf(withLine(12, "    \"JX\": [\"cpu.P1.1\",\n null,\n \"cpu.P1.9\"]")),
              "t.circuit.json 第14行：器件 cpu 没有引脚 P1.9");
    EXPECT_EQ(errorOf(withLine(3, R"(  "cpu": {"51": "cpu0"},)")), "t.circuit.json 第3行：未知的器件 cpu0");
    const std::string made = errorOf(withLine(7, R"(    {"name": "mem", "type": "ram", "size": 0})"));
    EXPECT_TRUE(made.rfind("t.circuit.json 第7行：", 0) == 0 && made.find("size") != std::string::npos) << made;
    EXPECT_EQ(errorOf(withLine(15, R"(  "note": {})")), "t.circuit.json 第15行：未知的键 note");
    EXPECT_EQ(errorOf(withLine(10, R"(    "p10": "cpu.P1.0")")), "t.circuit.json 第11行：JSON 格式错误：对象中缺少逗号或 }");
    EXPECT_EQ(errorOf("{\n  \"devices\": [\n"), "t.circuit.json 第3行：JSON 格式错误：列表中缺少逗号或 ]");
    EXPECT_EQ(errorOf("[]"), "t.circuit.json 第1行：电路文件应为一个 JSON 对象");
}

TEST(CircuitLoader, AssumedLinksNameKnownTerminals) {
    const sim::Circuit c = sim::parseCircuit(withLine(14, R"(  "assumed": {"51": [["P10", "FF80H"]]}, "wires": [["mem.CS", "dec.FF90"]],)"),
                                             "t.circuit.json");
    ASSERT_EQ(c.assumedLinks.at(1).size(), 1u);
    EXPECT_EQ(c.assumedLinks.at(1).front(), (std::pair<std::string, std::string>{"P10", "FF80H"}));
    EXPECT_EQ(errorOf(withLine(14, R"(  "assumed": {"51": [["P10", "CS9"]]}, "wires": [["mem.CS", "dec.FF90"]],)")),
              "t.circuit.json 第14行：未知的端子 CS9");
}

// The board's data against its other data: the layout's terminals and every type-51 wiring text.
TEST(BoardCircuit, Qk740xCoversTheType51WiringWithTerminalsOfItsLayout) {
    ASSERT_TRUE(sim::hasCircuit("QK740X"));
    const sim::Circuit& circuit = sim::boardCircuit("QK740X");
    EXPECT_EQ(&circuit, &sim::boardCircuit("qk740x")); // read once
    EXPECT_EQ(circuit.cpuForType.at(1), "cpu51");

    std::set<std::string> layout;
    for (const auto& v : readJson(source("boards/data/QK740X.json")).value("components").toArray()) {
        const QJsonObject c = v.toObject();
        if (c.value("kind").toString() == u"terminal")
            layout.insert(c.value("name").toString().mid(4).toUpper().toStdString());
    }
    ASSERT_GT(layout.size(), 200u);
    for (const auto& [name, pins] : circuit.terminals)
        EXPECT_TRUE(layout.count(name)) << name << " is not a terminal of QK740X's layout";

    const QDir catalogue(source("data/catalogue/51"));
    const QStringList files = catalogue.entryList({"*.json"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 20);
    int steps = 0;
    for (const QString& file : files) {
        const QString wiring = readJson(catalogue.filePath(file)).value(QStringLiteral("实验接线")).toString();
        for (const QString& step : wiring.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts)) {
            const QStringList ends = step.trimmed().toUpper().split('>');
            ASSERT_EQ(ends.size(), 2) << file.toStdString() << ": " << step.toStdString();
            const auto a = circuit.terminals.find(ends[0].toStdString());
            const auto b = circuit.terminals.find(ends[1].toStdString());
            EXPECT_NE(a, circuit.terminals.end()) << file.toStdString() << ": " << ends[0].toStdString();
            EXPECT_NE(b, circuit.terminals.end()) << file.toStdString() << ": " << ends[1].toStdString();
            // A step that joins connectors joins them pin for pin.
            if (a != circuit.terminals.end() && b != circuit.terminals.end() &&
                (a->second.size() > 1 || b->second.size() > 1)) {
                EXPECT_EQ(a->second.size(), b->second.size()) << file.toStdString() << ": " << step.toStdString();
            }
            ++steps;
        }
    }
    EXPECT_GT(steps, 100);
}

TEST(BoardCircuit, BoardsWithoutAFileAreEmpty) {
    for (const char* board : {"QK620X", "QK310X", "QK930X"}) {
        EXPECT_FALSE(sim::hasCircuit(board));
        EXPECT_TRUE(sim::boardCircuit(board).devices.empty());
        EXPECT_TRUE(sim::boardCircuit(board).terminals.empty());
    }
}
