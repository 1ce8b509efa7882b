// labtool handout: the PDF read back with Poppler's tools, as a teacher's reader (or a check) sees it.
#include "engine/CatalogueSource.h"
#include "source/SourceText.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::runProgram;
using testsupport::writeFile;

namespace {

// A Poppler tool's standard output; fails the test when the tool is missing (scripts/install-deps.sh adds it).
QString poppler(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString()
                      << " (poppler-utils is installed by scripts/install-deps.sh)";
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString squeezed(QString s) { return s.remove(QRegularExpression("\\s+")); }

int pageCount(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(poppler("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

CatalogueRow row(const QString& name, int type, const QString& wiring) {
    CatalogueRow r;
    r.name = name;
    r.cpuType = type;
    r.wiring = wiring;
    r.entry = "0000H";
    r.purpose = "目的";
    return r;
}

} // namespace

TEST(HandoutCommand, ABundledExperimentReadsBackWhole) {
    QTemporaryDir dir;
    const QString db = testsupport::workDir() + "/QK740X.mdb";
    CatalogueRow r;
    for (const CatalogueRow& x : cataloguesource::readCatalogue(db))
        if (x.cpuType == 1 && x.name == "P1口输出 流水灯")
            r = x;
    ASSERT_FALSE(r.name.isEmpty());
    const QString pdf = dir.path() + "/流水灯.pdf";
    QByteArray err;
    ASSERT_EQ(runProgram("labtool", {"handout", db, "--board", "qk740x", "--type", "51", "--name", r.name, "-o", pdf,
                                     "--program-dir", testsupport::programDir()},
                         nullptr, &err),
              0)
        << err.toStdString();
    EXPECT_GE(pageCount(pdf), 3);

    const QString layout = poppler("pdftotext", {"-layout", pdf, "-"});
    const QString text = squeezed(layout);
    EXPECT_TRUE(text.contains(squeezed(r.name)));
    EXPECT_TRUE(text.contains(squeezed(r.purpose)));
    EXPECT_TRUE(text.contains(squeezed(r.description.section("\r\n", 0, 0))));
    EXPECT_TRUE(text.contains("第1页/共")) << "footer";
    // Every step is a table row: its number, then its two terminals in order.
    const QStringList steps = r.wiring.split("\r\n");
    ASSERT_GT(steps.size(), 1);
    for (int i = 0; i < steps.size(); ++i) {
        const QStringList ends = steps[i].split('>');
        const QRegularExpression rowPattern(QStringLiteral("(^|\\n)\\s*%1\\s+%2\\b[^\\n]*\\b%3\\b")
                                                .arg(i + 1)
                                                .arg(QRegularExpression::escape(ends[0]), QRegularExpression::escape(ends[1])));
        EXPECT_TRUE(rowPattern.match(layout).hasMatch()) << steps[i].toStdString();
    }
    // Every source line, numbered, with its Chinese comment.
    const QStringList lines =
        sourcetext::decodeLines(readFile(testsupport::programDir() + "/asm/51/" + r.program)).split('\n');
    ASSERT_GT(lines.size(), 10);
    for (int i = 0; i < lines.size(); ++i) {
        const QString simplified = lines[i].simplified();
        if (simplified.isEmpty())
            continue;
        QStringList words = simplified.split(' ');
        for (QString& w : words)
            w = QRegularExpression::escape(w);
        const QRegularExpression linePattern(
            QStringLiteral("(^|\\n)\\s*%1\\s+%2\\s*(\\n|$)").arg(i + 1).arg(words.join("\\s+")));
        EXPECT_TRUE(linePattern.match(layout).hasMatch()) << lines[i].toStdString();
    }

    // Every font is embedded, the Chinese one among them.
    const QStringList fonts = poppler("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    EXPECT_TRUE(fonts.join('\n').contains("WenQuanYi"));
    for (const QString& f : fonts)
        EXPECT_TRUE(QRegularExpression("\\syes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$").match(f).hasMatch())
            << f.toStdString();
    // The circuit and the flow chart at their own pixel sizes.
    const QString images = poppler("pdfimages", {"-list", pdf});
    for (const QString& picture : {r.circuit, r.flowChart}) {
        const QImage image(testsupport::programDir() + "/pic/" + picture);
        ASSERT_FALSE(image.isNull()) << picture.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("\\simage\\s+%1\\s+%2\\s").arg(image.width()).arg(image.height()))
                        .match(images)
                        .hasMatch())
            << picture.toStdString() << "\n" << images.toStdString();
    }
}

TEST(HandoutCommand, BadContentIsNamedInItsSectionAndTheRestIsMade) {
    QTemporaryDir dir;
    const QString home = dir.path() + "/home";
    CatalogueRow r = row("坏内容", 1, "P10>L1\r\nP11>XYZ9");
    r.circuit = "nothere.jpg";
    r.flowChart = "sub\\bad.jpg";
    r.program = "none.asm";
    ASSERT_TRUE(writeFile(home + "/pic/sub/bad.jpg", QByteArray("\xFF\xD8\xFF\xE0 not a jpeg at all")));
    cataloguesource::writeCatalogue(home + "/QK740X.mdb", {r});
    const QString pdf = dir.path() + "/out.pdf";
    QByteArray err;
    // The board as the model menu spells it, in any letter case.
    ASSERT_EQ(runProgram("labtool", {"handout", home + "/QK740X.mdb", "--board", "qk310x+", "--type", "51", "--name",
                                     "坏内容", "-o", pdf, "--program-dir", dir.path() + "/prog"},
                         nullptr, &err),
              0)
        << err.toStdString();
    const QString layout = poppler("pdftotext", {"-layout", pdf, "-"});
    const QString text = squeezed(layout);
    EXPECT_TRUE(text.contains("实验板：QK310X+")) << layout.toStdString(); // the title block
    EXPECT_TRUE(text.contains("（图片缺失：pic/nothere.jpg）")) << layout.toStdString();
    // The decoder's own words follow the name.
    EXPECT_TRUE(QRegularExpression("（图片无法解码：pic/sub/bad\\.jpg：[^）]*JPEG[^）]*）").match(text).hasMatch())
        << layout.toStdString();
    EXPECT_TRUE(text.contains("（程序文件缺失：asm/51/none.asm）"));
    // The step with a name the board lacks is marked, the other one is a plain row.
    EXPECT_TRUE(QRegularExpression("(^|\\n)\\s*2\\s+P11\\b[^\\n]*XYZ9\\s*（板上无此端子）[^\\n]*不画出").match(layout).hasMatch())
        << layout.toStdString();
    EXPECT_TRUE(QRegularExpression("(^|\\n)\\s*1\\s+P10\\b[^\\n]*L1").match(layout).hasMatch());
    EXPECT_TRUE(text.contains("实验程序"));
}

TEST(HandoutCommand, WrongChoicesAndUnwritableOutputsExitTwoAndLeaveNothing) {
    QTemporaryDir dir;
    const QString db = dir.path() + "/QK740X.mdb";
    cataloguesource::writeCatalogue(db, {row("流水灯", 1, "P10>L1"), row("并行口", 2, "PA0>L1"),
                                         row("PCI输出", 4, "JO0>JL0"), row("A/B:测试", 2, ""),
                                         row("并行口", 2, "PA1>L2")});
    const QString out = dir.path() + "/out";
    const QList<QStringList> wrong = {
        {"--board", "QK999", "--type", "51", "--name", "流水灯", "-o", out + ".pdf"},
        {"--board", "QK740X", "--type", "77", "--name", "流水灯", "-o", out + ".pdf"},
        {"--board", "QK310X", "--type", "88", "--name", "并行口", "-o", out + ".pdf"}, // a type the board lacks
        {"--board", "QK740X", "--type", "51", "--name", "没有", "-o", out + ".pdf"},
        {"--board", "QK740X", "--type", "51", "--name", "流水灯", "-o", dir.path() + "/missing/x.pdf"},
        {"--board", "QK740X", "--type", "51", "--name", "流水灯", "--all", "-o", out},
        {"--board", "QK740X", "--type", "51", "-o", out + ".pdf"},
    };
    for (const QStringList& args : wrong) {
        QByteArray err;
        EXPECT_EQ(runProgram("labtool", QStringList{"handout", db} + args, nullptr, &err), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith("labtool handout: ")) << err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"QK740X.mdb"});

    // --all: one file per experiment the board offers (QK620X: 88 and PCI), named after type and name.
    QByteArray stdOut, err;
    ASSERT_EQ(runProgram("labtool", {"handout", db, "--board", "QK620X", "--all", "-o", out}, &stdOut, &err), 0)
        << err.toStdString();
    const QStringList files = QDir(out).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"88_A_B_测试.pdf", "88_并行口 (2).pdf", "88_并行口.pdf", "PCI_PCI输出.pdf"}));
    EXPECT_EQ(QString::fromUtf8(stdOut).count('\n'), 4);
    EXPECT_TRUE(squeezed(poppler("pdftotext", {out + "/PCI_PCI输出.pdf", "-"})).contains("PCI输出"));
    // Every handout but the PCI one ends with a listing.
    EXPECT_FALSE(squeezed(poppler("pdftotext", {out + "/PCI_PCI输出.pdf", "-"})).contains("实验程序"));
    EXPECT_TRUE(squeezed(poppler("pdftotext", {out + "/88_并行口.pdf", "-"})).contains("实验程序"));
    // A folder that is a file.
    ASSERT_TRUE(writeFile(dir.path() + "/plain", "x"));
    EXPECT_EQ(runProgram("labtool", {"handout", db, "--board", "QK620X", "--all", "-o", dir.path() + "/plain"}), 2);
}
