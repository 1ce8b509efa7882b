// labtool run as other tools read it: one line a change, the simulated time first, and its exit codes.
#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::runProgram;

namespace {

QList<QByteArray> lines(const QByteArray& out) { return out.split('\n'); }

double timeOf(const QByteArray& line) { return line.left(8).trimmed().toDouble(); }

} // namespace

TEST(LabtoolRun, PrintsTheLampsEachTimeTheyChange) {
    const QString db = testsupport::workDir() + "/QK740X.mdb";
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"run", db, "--board", "QK740X", "--type", "51", "--name", "P1口输出 流水灯", "--for", "1s"},
                         &out, &err), 0) << err.constData();
    const QRegularExpression form(QStringLiteral("^ {3}[0-9]\\.[0-9]{3} s  L1–L8 [●○]{8}$"));
    QList<QByteArray> lamps;
    for (const QByteArray& l : lines(out))
        if (!l.isEmpty()) {
            EXPECT_TRUE(form.match(QString::fromUtf8(l)).hasMatch()) << l.constData();
            lamps << l;
        }
    ASSERT_GE(lamps.size(), 5);
    EXPECT_TRUE(lamps[0].endsWith("●○○○○○○○"));
    EXPECT_TRUE(lamps[1].endsWith("○●○○○○○○"));
    EXPECT_NEAR(timeOf(lamps[3]) - timeOf(lamps[2]), 0.2006, 0.0015);
}

TEST(LabtoolRun, InputsAndTheTraceFollowTheGivenTimes) {
    QTemporaryDir dir;
    const QString source = dir.filePath("echo.asm");
    ASSERT_TRUE(testsupport::writeFile(source, "LOOP: MOV C,P1.0\r\n      MOV P1.1,C\r\n      SJMP LOOP\r\n      END\r\n"));
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"run", "--board", "qk740x", "--source", source, "--wiring", "K1>P10,P11>L2",
                                     "--for", "300ms", "--input", "K1=1@100ms,K1=0@200ms"},
                         &out, &err), 0) << err.constData();
    const QList<QByteArray> l = lines(out);
    ASSERT_GE(l.size(), 3);
    EXPECT_EQ(l[0], "   0.001 s  L1–L8 ○○○○○○○○");
    EXPECT_EQ(l[1], "   0.101 s  L1–L8 ○●○○○○○○");
    EXPECT_EQ(l[2], "   0.201 s  L1–L8 ○○○○○○○○");

    ASSERT_EQ(runProgram("labtool", {"run", "--board", "QK740X", "--source", source, "--wiring", "K1>P10,P11>L2",
                                     "--for", "2ms", "--trace"},
                         &out, &err), 0);
    EXPECT_TRUE(QString::fromUtf8(out).contains(QRegularExpression(QStringLiteral("^ +0\\.[0-9]{6} s  TRACE P11 ← 0$"),
                                                                    QRegularExpression::MultilineOption)))
        << out.constData();
}

TEST(LabtoolRun, AssemblyErrorsExitOneAndBadArgumentsTwo) {
    QTemporaryDir dir;
    const QString source = dir.filePath("bad.asm");
    ASSERT_TRUE(testsupport::writeFile(source, "      MOVV A,#1\r\n      SJMP NOWHERE\r\n"));
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"run", "--board", "QK740X", "--source", source, "--wiring", ""}, &out, &err), 1);
    const QList<QByteArray> l = lines(out);
    ASSERT_GE(l.size(), 2);
    EXPECT_TRUE(l[0].startsWith("第1行：")) << out.constData();
    EXPECT_TRUE(l[1].startsWith("第2行：")) << out.constData();

    EXPECT_EQ(runProgram("labtool", {"run", "--board", "QK620X", "--source", source, "--wiring", ""}, &out, &err), 2);
    EXPECT_TRUE(QString::fromUtf8(err).contains(QStringLiteral("没有电路文件"))) << err.constData();
    EXPECT_EQ(runProgram("labtool", {"run", "--board", "QK740X", "--source", source, "--wiring", "", "--input", "X7@1s"},
                         &out, &err), 2);
    EXPECT_EQ(runProgram("labtool", {"run", "--board", "QK740X", "--source", source}, &out, &err), 2);
}

TEST(LabtoolRun, Type88RunsItsExperimentsAndNeedsNasm) {
    if (QStandardPaths::findExecutable("nasm").isEmpty())
        GTEST_SKIP() << "nasm is not installed";
    const QString db = testsupport::workDir() + "/QK740X.mdb";
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"run", db, "--board", "QK740X", "--type", "88", "--name", "数码管动态显示", "--for",
                                     "100ms"},
                         &out, &err), 0) << err.constData();
    EXPECT_TRUE(out.contains("s  DIGITS [8088-1]\n")) << out.constData();

    // Without nasm on the PATH: exit 2, naming the package.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const int code = runProgram("labtool", {"run", db, "--board", "QK740X", "--type", "88", "--name", "数码管动态显示"},
                                &out, &err);
    qputenv("PATH", path);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(QString::fromUtf8(err).contains(QStringLiteral("nasm"))) << err.constData();
}
