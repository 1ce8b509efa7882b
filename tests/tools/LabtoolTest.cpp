// labtool as other tools see it: its output formats and exit codes.
#include "base/Gbk.h"
#include "engine/CatalogueSource.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::runProgram;

namespace {

QByteArray wiring(const QByteArray& text, int* code = nullptr) {
    QByteArray out;
    const int rc = runProgram("labtool", {"wiring"}, &out, nullptr, text);
    if (code)
        *code = rc;
    return out;
}

CatalogueRow sample(const QString& name, int type, const QString& wiringText) {
    CatalogueRow r = testsupport::catalogueRow(name, type, wiringText);
    r.program = type <= 3 ? "p.asm" : "";
    r.entry = "0000H";
    r.circuit = "c.jpg";
    r.flowChart = "f.jpg";
    r.purpose = "目的";
    r.requirement = "要求";
    r.description = "说明\r\n第二行";
    return r;
}

} // namespace

TEST(LabtoolWiring, PrintsTheStepsAsOneJsonObject) {
    int code = -1;
    EXPECT_EQ(wiring("a1>B2,C3>d4", &code), "{\"steps\": [\"A1>B2\", \"C3>D4\"], \"lastStep\": 1}\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(wiring(""), "{\"steps\": [], \"lastStep\": -1}\n");
    EXPECT_EQ(wiring("A>B,,C>D"), "{\"steps\": [\"A>B\", \"\", \"C>D\"], \"lastStep\": 2}\n");
    EXPECT_EQ(wiring(gbk::encode(QStringLiteral("e5 > f6，X"))), "{\"steps\": [\"E5 > F6\"], \"lastStep\": 0}\n");
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 37) & 0xFF);
    const QByteArray out = wiring(noise, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.startsWith("{\"steps\": [") && out.endsWith("}\n"));
}

TEST(LabtoolUsage, RefusesBadCommandLinesWithExitTwo) {
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"nosuch"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("unknown command"));
    EXPECT_EQ(runProgram("labtool", {"catalogue", "frobnicate"}, &out, &err), 2);
    EXPECT_EQ(runProgram("labtool", {"catalogue", "list"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("usage:"));
    EXPECT_EQ(runProgram("labtool", {"wiring", "--help"}, &out, &err), 0);
    EXPECT_TRUE(out.startsWith("usage: labtool wiring"));
    EXPECT_EQ(runProgram("labtool", {"catalogue", "list", "/nonexistent/QK740X.mdb"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("Could not find file")) << err.toStdString();
}

TEST(LabtoolCatalogue, ImportExportRoundTripChangesNothing) {
    QTemporaryDir dir;
    const QString src = dir.path() + "/src";
    const QList<CatalogueRow> rows = {sample("甲", 1, "P10>L1\r\nP11>L2"), sample("乙", 2, "A>B"),
                                      sample("丙", 1, "X>Y"), sample("丁", 4, "JO0>JL0")};
    QMap<int, int> perType;
    for (const CatalogueRow& r : rows)
        ASSERT_TRUE(testsupport::writeFile(src + "/" + cataloguesource::exportName(r.cpuType, perType[r.cpuType]++),
                                           cataloguesource::formatRow(r)));
    const QString db = dir.path() + "/QK740X.mdb";
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"catalogue", "import", src, db}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(runProgram("labtool", {"catalogue", "list", db}, &out, &err), 0);
    EXPECT_EQ(QString::fromUtf8(out), "1\t甲\n1\t丙\n2\t乙\n4\t丁\n");
    EXPECT_EQ(runProgram("labtool", {"catalogue", "list", db, "--type", "1"}, &out, &err), 0);
    EXPECT_EQ(QString::fromUtf8(out), "1\t甲\n1\t丙\n");

    const QString back = dir.path() + "/back";
    ASSERT_EQ(runProgram("labtool", {"catalogue", "export", db, back}, &out, &err), 0) << err.toStdString();
    QStringList files = cataloguesource::sourceFiles(src);
    EXPECT_EQ(cataloguesource::sourceFiles(back), files);
    for (const QString& f : files)
        EXPECT_EQ(testsupport::readFile(back + "/" + f), testsupport::readFile(src + "/" + f)) << f.toStdString();
    // Exporting over existing files is refused.
    EXPECT_EQ(runProgram("labtool", {"catalogue", "export", db, back}, &out, &err), 2);
}

TEST(LabtoolCatalogue, ImportRefusesBrokenSources) {
    QTemporaryDir dir;
    QByteArray out, err;
    const QString db = dir.path() + "/out.mdb";
    EXPECT_EQ(runProgram("labtool", {"catalogue", "import", dir.path() + "/none", db}, &out, &err), 2);
    testsupport::writeFile(dir.path() + "/src/51/001.json", "{\"实验名称\": \"x\"}");
    EXPECT_EQ(runProgram("labtool", {"catalogue", "import", dir.path() + "/src", db}, &out, &err), 2);
    EXPECT_TRUE(err.contains("51/001.json")) << err.toStdString();
    EXPECT_TRUE(err.contains("missing")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(db));
}

TEST(LabtoolCatalogue, LintReportsEveryKindOfProblem) {
    QTemporaryDir dir;
    testsupport::writeFile(dir.path() + "/prog/asm/51/p.asm", "nop\r\n");
    testsupport::writeFile(dir.path() + "/prog/pic/c.jpg", "x");
    testsupport::writeFile(dir.path() + "/prog/pic/F.JPG", "x"); // found without regard to case
    CatalogueRow ok = sample("好", 1, "P10>L1");
    CatalogueRow bad = sample("坏", 1, "P10>L1,,X, Y>Z");
    bad.program = "missing.asm";
    bad.circuit = "";
    CatalogueRow longText = sample("长", 1, QString(300, 'A') + ">B");
    CatalogueRow nearNames = sample("近", 1, "FF90>P3.0\r\nPAO>OOH");
    const QString db = dir.path() + "/QK740X.mdb";
    cataloguesource::writeCatalogue(db, {ok, bad, longText, nearNames});
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"catalogue", "lint", db, "--program-dir", dir.path() + "/prog"}, &out, &err), 1);
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(out.contains("[51] 好:")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: step 2 is empty")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: step 3 (X) has no \">\"")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: source asm/51/missing.asm is missing")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: no circuit picture named")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 长: 实验接线 is 302 bytes; only the first 255 are used")) << out.toStdString();
    // An unknown name is followed by the closest names of the board, a hint the program shows named as such,
    // the letter O taken for the digit 0 ("OOH" is the hint of 00H as written); the line listing the
    // lacking names stays as it was.
    const qsizetype lacks = lines.indexOf("[51] 近: board QK740X lacks terminals FF90, P3 0, PAO, OOH");
    ASSERT_GE(lacks, 0) << out.toStdString();
    EXPECT_EQ(
        lines.mid(lacks + 1, 4),
        QStringList({"[51] 近: board QK740X has no terminal FF90 (the hint of FF90H); did you mean FF90H?",
                     "[51] 近: board QK740X has no terminal P3 0; did you mean P30?",
                     "[51] 近: board QK740X has no terminal PAO; did you mean PA0?",
                     "[51] 近: board QK740X has no terminal OOH (the hint of 00H); did you mean 00H?"}));
    // Boards are named as the menu spells them.
    EXPECT_TRUE(out.contains("[51] 近: board QK310X+ lacks terminals")) << out.toStdString();
    EXPECT_FALSE(out.contains("board QK310X ")) << out.toStdString();

    cataloguesource::writeCatalogue(db, {ok});
    EXPECT_EQ(runProgram("labtool", {"catalogue", "lint", db, "--program-dir", dir.path() + "/prog"}, &out, &err), 0)
        << out.toStdString();
}

TEST(LabtoolCatalogue, ImportWarnsLikeLintAndLocatesJsonErrors) {
    QTemporaryDir dir;
    CatalogueRow longName = sample(QString(60, QChar(u'长')), 1, "P10>L1");
    CatalogueRow oddType = sample("怪", 7, "P10>L1");
    testsupport::writeFile(dir.path() + "/src/51/001.json", cataloguesource::formatRow(longName));
    testsupport::writeFile(dir.path() + "/src/51/002.json", cataloguesource::formatRow(oddType));
    const QString db = dir.path() + "/out.mdb";
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"catalogue", "import", dir.path() + "/src", db}, &out, &err), 0) << err.toStdString();
    const QString src = dir.path() + "/src/51/";
    EXPECT_TRUE(err.contains(("labtool catalogue import: warning: " + src + "001.json: 实验名称 is 120 bytes; only the "
                              "first 100 are used\n").toUtf8())) << err.toStdString();
    EXPECT_TRUE(err.contains(("labtool catalogue import: warning: " + src + "002.json: unknown type 7\n").toUtf8()))
        << err.toStdString();
    EXPECT_EQ(err.count("warning:"), 2);
    EXPECT_TRUE(QFile::exists(db));

    // The column counts characters: 中 is one.
    testsupport::writeFile(src + "003.json", "{\n  \"实验名称\": \"x\",\n  \"中\": x\n}\n");
    EXPECT_EQ(runProgram("labtool", {"catalogue", "import", dir.path() + "/src", db}, &out, &err), 2);
    EXPECT_TRUE(err.contains("003.json: not valid JSON at line 3, column 8: ")) << err.toStdString();
}

TEST(LabtoolPaths, EveryCommandTakesRelativePaths) {
    QTemporaryDir dir;
    const QString cwd = dir.path();
    testsupport::writeFile(cwd + "/exp/51/001.json", cataloguesource::formatRow(sample("甲", 1, "P10>L1")));
    testsupport::writeFile(cwd + "/prog/asm/51/p.asm", "nop\r\n");
    testsupport::writeFile(cwd + "/prog/pic/c.jpg", "x");
    testsupport::writeFile(cwd + "/prog/pic/f.jpg", "x");
    QImage(4, 3, QImage::Format_RGB32).save(cwd + "/prog/pic/p.png");
    const auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
        QByteArray o, err;
        const int code = runProgram("labtool", args, &o, &err, {}, cwd);
        if (out)
            *out = o;
        EXPECT_EQ(code, 0) << args.join(' ').toStdString() << ": " << err.toStdString();
        return code;
    };
    QByteArray out;
    run({"catalogue", "import", "exp", "out.mdb"});
    run({"catalogue", "import", "./exp/", "out.mdb"});
    run({"catalogue", "list", "out.mdb"}, &out);
    EXPECT_EQ(QString::fromUtf8(out), "1\t甲\n");
    run({"catalogue", "lint", "out.mdb", "--program-dir", "prog"}, &out);
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
    run({"catalogue", "export", "out.mdb", "back"});
    EXPECT_EQ(testsupport::readFile(cwd + "/back/51/001.json"), testsupport::readFile(cwd + "/exp/51/001.json"));
    run({"listing", "prog/asm/51/p.asm", "--type", "51", "--html"}, &out);
    EXPECT_TRUE(out.contains(">nop<")) << out.toStdString();
    run({"tokens", "prog/asm/51/p.asm"}, &out);
    EXPECT_EQ(out, "1 0 3 2\n");
    run({"picture", "prog/pic/P.PNG"}, &out);
    EXPECT_EQ(out, "4x3 png\n");
    run({"board", "QK620X", "--png", "b.png"});
    EXPECT_FALSE(QImage(cwd + "/b.png").isNull());
}

TEST(LabtoolNames, TypeNamesAndBothBoardSpellings) {
    QTemporaryDir dir;
    const QString db = dir.path() + "/QK740X.mdb";
    cataloguesource::writeCatalogue(db, {sample("甲", 1, "A>B"), sample("乙", 2, "A>B"), sample("丙", 3, "A>B"),
                                         sample("丁", 4, "A>B")});
    QByteArray out, err;
    const std::pair<const char*, const char*> types[] = {{"51", "1\t甲\n"}, {"88", "2\t乙\n"}, {"96", "3\t丙\n"},
                                                         {"PCI", "4\t丁\n"}, {"pci", "4\t丁\n"}, {"1", "1\t甲\n"},
                                                         {"4", "4\t丁\n"}};
    for (const auto& [type, rows] : types) {
        EXPECT_EQ(runProgram("labtool", {"catalogue", "list", db, "--type", type}, &out, &err), 0) << type;
        EXPECT_EQ(QString::fromUtf8(out), QString::fromUtf8(rows)) << type;
    }
    for (const char* type : {"5", "0", "97", "8051", ""}) {
        EXPECT_EQ(runProgram("labtool", {"catalogue", "list", db, "--type", type}, &out, &err), 2) << type;
        EXPECT_TRUE(err.contains("unknown experiment type")) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
    const QString source = dir.path() + "/s.asm";
    testsupport::writeFile(source, "mov a,b\r\n");
    QByteArray by51;
    EXPECT_EQ(runProgram("labtool", {"listing", source, "--type", "51", "--html"}, &by51, &err), 0);
    EXPECT_EQ(runProgram("labtool", {"listing", source, "--type", "1", "--html"}, &out, &err), 0);
    EXPECT_EQ(out, by51);
    EXPECT_EQ(runProgram("labtool", {"listing", source, "--type", "PCI", "--html"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("PCI experiments have no source")) << err.toStdString();

    QByteArray plain;
    ASSERT_EQ(runProgram("labtool", {"board", "QK310X", "--terminals"}, &plain, &err), 0) << err.toStdString();
    EXPECT_FALSE(plain.isEmpty());
    for (const char* spelling : {"QK310X+", "qk310x+"}) {
        EXPECT_EQ(runProgram("labtool", {"board", spelling, "--terminals"}, &out, &err), 0) << spelling;
        EXPECT_EQ(out, plain) << spelling;
    }
    EXPECT_EQ(runProgram("labtool", {"board", "QK740X+", "--terminals"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("unknown board QK740X+")) << err.toStdString();
}

TEST(LabtoolOutput, NoQtWarningsWithoutARuntimeFolder) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    QTemporaryDir dir;
    QImage(2, 2, QImage::Format_RGB32).save(dir.path() + "/p.png");
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"board", "QK740X", "--terminals"}, &out, &err), 0);
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(runProgram("labtool", {"picture", dir.path() + "/p.png"}, &out, &err), 0);
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    // labtool's own messages still show.
    EXPECT_EQ(runProgram("labtool", {"board", "QK999"}, &out, &err), 2);
    EXPECT_TRUE(err.startsWith("labtool board: unknown board QK999")) << err.toStdString();
    if (!saved.isEmpty())
        qputenv("XDG_RUNTIME_DIR", saved);
}
