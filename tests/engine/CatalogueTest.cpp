#include "base/Gbk.h"
#include "base/ProgramFolder.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "engine/linksheet.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::ErrorRecorder;

namespace {

struct FakeSource : SourceView {
    QStringList calls;
    QString failOn;
    void clear() override { calls << "clear"; }
    void setHighlighter(AsmHighlighter h) override {
        calls << QStringLiteral("highlighter %1").arg(h == AsmHighlighter::Asm51 ? 51 : h == AsmHighlighter::Asm88 ? 88 : 96);
    }
    void loadFromFile(const QString& path) override {
        if (path == failOn)
            throw Error(QStringLiteral("Cannot open file \"%1\". Permission denied").arg(path));
        calls << "load " + QFileInfo(path).fileName();
    }
};

CatalogueRow row(const QString& name, int type, const QString& wiring = "A1>B1,A2>B2", const QString& program = "led.asm") {
    CatalogueRow r = testsupport::catalogueRow(name, type, wiring);
    r.program = program;
    r.entry = "0000H";
    r.circuit = name + ".jpg";
    r.flowChart = name + "_flow.jpg";
    r.purpose = "purpose of " + name;
    r.requirement = "requirement of " + name;
    r.description = "description of " + name;
    return r;
}

QByteArray digest(const QString& path) {
    return QCryptographicHash::hash(testsupport::readFile(path), QCryptographicHash::Sha256);
}

// A working folder with its own catalogue and program folder, the engine wired to them.
class CatalogueFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        programfolder::setOverride(dir.path() + "/prog");
        testsupport::writeFile(dir.path() + "/prog/asm/51/led.asm", "mov a,#1\r\n");
        testsupport::writeFile(dir.path() + "/prog/asm/88/LED.ASM", "mov al,1\r\n");
        connection = std::make_unique<CatalogueConnection>();
        engine::setCatalogue(connection.get());
        engine::setSourceView(&source);
        engine::setWarningBox([this](const QString& text, const QString& caption) { warnings << caption + ":" + text; });
        engine::CreateWiringSteps();
        ResetExperiment();
    }
    void TearDown() override {
        connection.reset();
        engine::setCatalogue(nullptr);
        engine::setSourceView(nullptr);
        engine::setWarningBox({});
        engine::DestroyWiringSteps();
        programfolder::setOverride({});
        QDir::setCurrent(oldCwd);
    }
    void write(const QList<CatalogueRow>& rows, const QString& password = cataloguesource::DefaultPassword,
               const QString& omit = {}) {
        cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb", rows, password, omit);
    }
    QString mdb() const { return dir.path() + "/QK740X.mdb"; }

    QTemporaryDir dir;
    QString oldCwd;
    std::unique_ptr<CatalogueConnection> connection;
    FakeSource source;
    QStringList warnings;
    ErrorRecorder errors;
};

} // namespace

TEST(CatalogueQuery, QuotesTableNamesSqliteWouldReject) {
    EXPECT_EQ(CatalogueQuery::adaptSql("select * from 740X where CPU类型=:CPU"),
              "select * from \"740X\" where CPU类型=:CPU");
    EXPECT_EQ(CatalogueQuery::adaptSql("select 1, '740X' from \"740X\" where a=:740X and b=12"),
              "select 1, '740X' from \"740X\" where a=:740X and b=12");
}

TEST(CatalogueConnection, ReadsTheConnectionString) {
    CatalogueConnection c;
    EXPECT_EQ(c.dataSource(), ".\\QK740X.mdb");
    EXPECT_EQ(c.localPath(), "./QK740X.mdb");
    EXPECT_TRUE(c.exclusive());
    EXPECT_FALSE(c.connected());
}

TEST(CatalogueConnection, AQuotedValueMayHoldSemicolonsAndQuotes) {
    CatalogueConnection c("Data Source=\"a;b \"\"c\"\".mdb\";Mode=Share Deny Write;Jet OLEDB:Database Password=K;E");
    EXPECT_EQ(c.localPath(), "a;b \"c\".mdb");
    EXPECT_FALSE(c.exclusive());
}

// labtool reads and rewrites catalogues wherever the teacher keeps them.
TEST(CatalogueSource, CataloguesInFoldersWithSemicolonsAndQuotes) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/term;2 \"lab\"/QK740X.mdb";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    cataloguesource::writeCatalogue(path, {row("a", 1)});
    cataloguesource::writeCatalogue(path, {row("b", 1), row("c", 2)}); // replaces the first
    const QList<CatalogueRow> rows = cataloguesource::readCatalogue(path);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].name, "c");
}

TEST_F(CatalogueFixture, FillsListsByTypeInCatalogueOrder) {
    write({row("b", 1), row("a", 1), row("c", 2), row("a", 1)});
    QComboBox list;
    list.addItems({"old1", "old2"});
    FillExperimentList(1, &list);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.itemText(0), "b");
    EXPECT_EQ(list.itemText(1), "a");
    EXPECT_EQ(list.itemText(2), "a");
    EXPECT_EQ(list.currentIndex(), -1);
    FillExperimentList(3, &list); // a type with no experiments empties the list
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(connection->connected());
}

TEST_F(CatalogueFixture, LoadsAnExperimentIntoTheRecordAndTheSourceTab) {
    const QString longName = "A" + QString(50, QChar(0x5B9E)); // 1 + 100 bytes in GBK
    write({row("流水灯", 1, "a1>B2，C3>d4\r\ne5 > f6"), row(longName, 2, "", "LED.ASM")});
    ExperimentRecord.CpuType = 1;
    LoadExperiment("流水灯", 1);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "流水灯");
    EXPECT_EQ(ExperimentRecord.EntryAddress.bytes(), "0000H");
    EXPECT_EQ(ExperimentRecord.WiringText.toString(), "a1>B2，C3>d4\r\ne5 > f6");
    EXPECT_EQ(gbk::decode(Description), "description of 流水灯");
    EXPECT_EQ(source.calls, (QStringList{"clear", "highlighter 51", "load led.asm"}));
    EXPECT_EQ(LastStep, 2);
    EXPECT_EQ(StepIndex, -1);
    EXPECT_EQ(WiringSteps->size(), 3);

    // The list shows the whole name; the record keeps 100 bytes, cut before a half character.
    QComboBox list;
    FillExperimentList(2, &list);
    EXPECT_EQ(list.itemText(0), longName);
    source.calls.clear();
    ExperimentRecord.CpuType = 2;
    LoadExperiment(longName, 2);
    EXPECT_EQ(ExperimentRecord.ExperimentName.size(), 99);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), longName.left(50));
    EXPECT_EQ(source.calls, (QStringList{"clear", "highlighter 88", "load LED.ASM"}));
    EXPECT_EQ(LastStep, -1);
    EXPECT_TRUE(WiringSteps->isEmpty());
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(CatalogueFixture, PciExperimentsLeaveTheSourceTabEmptyAndItsHighlighter) {
    write({row("pci", 4, "A>B", "")});
    ExperimentRecord.CpuType = 4;
    LoadExperiment("pci", 4);
    EXPECT_EQ(source.calls, QStringList{"clear"});
    EXPECT_EQ(LastStep, 0);
}

TEST_F(CatalogueFixture, AMissingSourceLeavesTheEditorEmpty) {
    write({row("x", 1, "A>B", "nothere.asm")});
    ExperimentRecord.CpuType = 1;
    LoadExperiment("x", 1);
    EXPECT_EQ(source.calls, (QStringList{"clear", "highlighter 51"}));
    EXPECT_EQ(LastStep, 0);
}

TEST_F(CatalogueFixture, DuplicateNamesWarnOnceAndTheLastRowWins) {
    CatalogueRow second = row("dup", 1, "X1>Y1,X2>Y2,X3>Y3");
    second.purpose = "second";
    write({row("dup", 1), second});
    ExperimentRecord.CpuType = 1;
    LoadExperiment("dup", 1);
    EXPECT_EQ(warnings, QStringList{"提示:实验名称有重复"});
    EXPECT_EQ(ExperimentRecord.Purpose.toString(), "second");
    EXPECT_EQ(LastStep, 2);
}

TEST_F(CatalogueFixture, ANameWithoutRowKeepsTheExperimentButResetsTheCursor) {
    write({row("one", 1, "A>B,C>D")});
    ExperimentRecord.CpuType = 1;
    LoadExperiment("one", 1);
    StepIndex = 1;
    source.calls.clear();
    LoadExperiment("none", 1);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "one");
    EXPECT_EQ(StepIndex, -1);
    EXPECT_EQ(LastStep, 1);
    EXPECT_TRUE(source.calls.isEmpty());
}

TEST_F(CatalogueFixture, AnUnreadableSourceStopsTheLoadBeforeTheSteps) {
    write({row("old", 1, "A>B"), row("new", 1, "C>D,E>F,G>H")});
    ExperimentRecord.CpuType = 1;
    LoadExperiment("old", 1);
    source.failOn = dir.path() + "/prog/asm/51/led.asm";
    StepIndex = 0;
    EXPECT_THROW(LoadExperiment("new", 1), Error);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "new");
    EXPECT_EQ(LastStep, 0);
    EXPECT_EQ(StepIndex, 0);
    EXPECT_EQ(*WiringSteps, QList<QByteArray>{"A>B"});
}

TEST_F(CatalogueFixture, AColumnMissingFromTheTableFailsAfterTheFieldsBeforeIt) {
    write({row("broken", 1)}, cataloguesource::DefaultPassword, "实验框图");
    ExperimentRecord.CircuitPicture.assign("before.jpg");
    ExperimentRecord.CpuType = 1;
    try {
        LoadExperiment("broken", 1);
        FAIL() << "the load should fail";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("cannot be found in the collection")) << e.message().toStdString();
    }
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), "broken");
    EXPECT_EQ(ExperimentRecord.CircuitPicture.toString(), "broken.jpg");
    EXPECT_TRUE(ExperimentRecord.FlowChartPicture.isEmpty());
}

TEST_F(CatalogueFixture, AMissingCatalogueIsAnErrorAndNoFileIsCreated) {
    QComboBox list;
    list.addItem("kept");
    try {
        FillExperimentList(1, &list);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Could not find file")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("QK740X.mdb"));
    }
    EXPECT_EQ(list.count(), 1);
    EXPECT_FALSE(QFileInfo::exists(mdb()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    EXPECT_FALSE(connection->connected());
}

TEST_F(CatalogueFixture, AWrongPasswordOrANonDatabaseFailsWithoutTouchingTheFile) {
    write({row("a", 1)}, "OTHER");
    const QByteArray before = digest(mdb());
    QComboBox list;
    EXPECT_THROW(FillExperimentList(1, &list), Error);
    EXPECT_EQ(digest(mdb()), before);

    testsupport::writeFile(mdb(), QByteArray(4096, 'x'));
    try {
        FillExperimentList(1, &list);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("not a database")) << e.message().toStdString();
    }
    EXPECT_EQ(testsupport::readFile(mdb()), QByteArray(4096, 'x'));
    EXPECT_FALSE(QFileInfo::exists(mdb() + "-journal"));

    QFile::remove(mdb());
    QDir().mkdir(mdb());
    EXPECT_THROW(FillExperimentList(1, &list), Error);
}

TEST_F(CatalogueFixture, TheOpenCatalogueIsHeldExclusively) {
    write({row("a", 1)});
    // Reading the file here, while it is locked, would drop this process's locks (POSIX closes them all).
    const QByteArray before = digest(mdb());
    QComboBox list;
    FillExperimentList(1, &list);

    // Another running program fails the same way.
    QByteArray out, err;
    EXPECT_EQ(testsupport::runProgram("labtool", {"catalogue", "list", mdb()}, &out, &err), 2);
    EXPECT_TRUE(err.contains("实验演示向导正在使用 QK740X.mdb：请先关闭它")) << err.toStdString();
    CatalogueConnection second;
    try {
        second.open();
        FAIL() << "a second connection must not open the catalogue";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("already in use")) << e.message().toStdString();
    }
    connection->close();
    EXPECT_EQ(digest(mdb()), before);
    EXPECT_NO_THROW(second.open());
}

TEST(CatalogueSource, FormatsAndParsesRowsBothWays) {
    CatalogueRow r = row("引\"号\\", 3, "A>B\r\nC>D");
    r.description = QString("tab\there") + QChar(1);
    const QByteArray json = cataloguesource::formatRow(r);
    EXPECT_TRUE(json.startsWith("{\n  \"实验名称\": "));
    EXPECT_EQ(cataloguesource::parseRow(json), r);
    EXPECT_THROW(cataloguesource::parseRow("{}"), Error);
    EXPECT_THROW(cataloguesource::parseRow("[1]"), Error);
    EXPECT_THROW(cataloguesource::parseRow("{\"实验名称\": 1"), Error);
    QByteArray badType = json;
    badType.replace("\"CPU类型\": 3", "\"CPU类型\": \"3\"");
    EXPECT_THROW(cataloguesource::parseRow(badType), Error);
}
