// labtool as other tools see it: its output formats and exit codes.
#include "base/Gbk.h"
#include "engine/CatalogueSource.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
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
    CatalogueRow r;
    r.name = name;
    r.cpuType = type;
    r.program = type <= 3 ? "p.asm" : "";
    r.entry = "0000H";
    r.circuit = "c.jpg";
    r.flowChart = "f.jpg";
    r.wiring = wiringText;
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
    const QString db = dir.path() + "/QK740X.mdb";
    cataloguesource::writeCatalogue(db, {ok, bad, longText});
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"catalogue", "lint", db, "--program-dir", dir.path() + "/prog"}, &out, &err), 1);
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(out.contains("[51] 好:")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: step 2 is empty")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: step 3 (X) has no \">\"")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: source asm/51/missing.asm is missing")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 坏: no circuit picture named")) << out.toStdString();
    EXPECT_TRUE(lines.contains("[51] 长: 实验接线 is 302 bytes; only the first 255 are used")) << out.toStdString();

    cataloguesource::writeCatalogue(db, {ok});
    EXPECT_EQ(runProgram("labtool", {"catalogue", "lint", db, "--program-dir", dir.path() + "/prog"}, &out, &err), 0)
        << out.toStdString();
}
