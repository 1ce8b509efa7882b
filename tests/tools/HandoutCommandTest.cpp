// labtool handout: the PDF read back with Poppler's tools, as a teacher's reader (or a check) sees it.
#include "engine/CatalogueSource.h"
#include "source/SourceText.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    CatalogueRow r = testsupport::catalogueRow(name, type, wiring);
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
    // The drawing names each connection's terminals too: every name shows again before the listing.
    const QString beforeListing = layout.left(layout.indexOf(QRegularExpression("\n\\s*实验程序\\s*\n")));
    for (const QString& end : steps.join('>').split('>'))
        EXPECT_GE(beforeListing.count(QRegularExpression(QStringLiteral("\\b%1\\b").arg(end))), 2) << end.toStdString();
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

namespace {

// A handout's pages as pdftotext reads them: each page's footer counts the PDF's real pages, and a page that
// holds any of the listing holds at least ten of its rows (or the whole of a shorter listing) unless the
// handout is one page. Returns the pages' texts.
QStringList checkPages(const QString& file) {
    const std::string name = QFileInfo(file).fileName().toStdString();
    const int pages = pageCount(file);
    // pdftotext ends every page with a form feed.
    QStringList texts = poppler("pdftotext", {"-layout", file, "-"}).split('\f');
    EXPECT_EQ(texts.size(), pages + 1) << name;
    texts = texts.mid(0, pages);
    const QRegularExpression footer("第\\s*(\\d+)\\s*页\\s*/\\s*共\\s*(\\d+)\\s*页");
    QList<int> rows; // listing rows per page
    bool inListing = false;
    for (int i = 0; i < texts.size(); ++i) {
        int footers = 0, count = 0;
        for (const QString& line : texts[i].split('\n')) {
            const QString t = line.trimmed();
            if (const QRegularExpressionMatch m = footer.match(t); m.hasMatch()) {
                ++footers;
                EXPECT_EQ(m.captured(1).toInt(), i + 1) << name;
                EXPECT_EQ(m.captured(2).toInt(), pages) << name << " page " << i + 1;
            } else if (t == "实验程序") {
                inListing = true;
            } else if (t == "电路图" || t == "流程图") {
                inListing = false;
            } else if (inListing && !t.isEmpty()) {
                ++count;
            }
        }
        EXPECT_EQ(footers, 1) << name << " page " << i + 1;
        rows << count;
    }
    int total = 0;
    for (int n : rows)
        total += n;
    for (int i = 0; i < rows.size() && pages > 1; ++i) {
        if (rows[i] > 0) {
            EXPECT_GE(rows[i], std::min(total, 10)) << name << " page " << i + 1 << " of " << pages;
        }
    }
    return texts;
}

} // namespace

TEST(HandoutCommand, EveryHandoutFootsItsRealPagesAndKeepsTheListingTogether) {
    QTemporaryDir dir;
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"handout", testsupport::workDir() + "/QK740X.mdb", "--board", "QK740X", "--all",
                                     "-o", dir.path() + "/bundled", "--program-dir", testsupport::programDir(), "--strict"},
                         &out, &err),
              0)
        << err.toStdString();
    QStringList files = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(files.size(), 40);
    for (const QString& file : files) {
        const QStringList texts = checkPages(file);
        // A wiring table and the circuit after it share a page when they fit (once one page each).
        if (file.endsWith("/88_8255并行口 A口输出B口输入.pdf")) {
            EXPECT_LE(texts.size(), 3);
            bool shared = false;
            for (const QString& t : texts)
                shared |= t.contains("接线表") && t.contains("电路图");
            EXPECT_TRUE(shared);
        }
    }
    // A listing starting lower and lower down a page, without pictures to move.
    QList<CatalogueRow> rows;
    QByteArray source;
    for (int i = 0; i < 100; ++i)
        source += "        MOV  A,#" + QByteArray::number(i) + "H\r\n";
    ASSERT_TRUE(writeFile(dir.path() + "/made/asm/51/p.asm", source));
    for (int lines = 24; lines <= 40; ++lines) {
        CatalogueRow r = row(QStringLiteral("说明%1行").arg(lines), 1, "P10>L1\r\nP11>L2");
        r.program = "p.asm";
        for (int i = 0; i < lines; ++i)
            r.description += QStringLiteral("第%1行\r\n").arg(i);
        rows << r;
    }
    cataloguesource::writeCatalogue(dir.path() + "/made/QK740X.mdb", rows);
    ASSERT_EQ(runProgram("labtool", {"handout", dir.path() + "/made/QK740X.mdb", "--board", "QK740X", "--all", "-o",
                                     dir.path() + "/made/out", "--strict"},
                         &out, &err),
              0)
        << err.toStdString();
    files = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(files.size(), rows.size());
    for (const QString& file : files)
        checkPages(file);
}

TEST(HandoutCommand, BadContentIsNamedInItsSectionAndTheRestIsMade) {
    QTemporaryDir dir;
    const QString home = dir.path() + "/home";
    CatalogueRow r = row("坏内容", 1, "P10>L1\r\nP11>XYZ9");
    r.circuit = "nothere.jpg";
    r.flowChart = "sub\\bad.jpg";
    r.program = "none.asm";
    // 实验要求 past its 255 bytes: the handout prints what the program shows, cut where the program cuts.
    r.requirement = QString(130, QChar(u'甲')) + "尾巴";
    ASSERT_TRUE(writeFile(home + "/pic/sub/bad.jpg", QByteArray("\xFF\xD8\xFF\xE0 not a jpeg at all")));
    cataloguesource::writeCatalogue(home + "/QK740X.mdb", {r});
    const QString pdf = dir.path() + "/out.pdf";
    QByteArray err;
    // The board as the model menu spells it, in any letter case.
    const QStringList args = {"handout", home + "/QK740X.mdb", "--board", "qk310x+", "--type", "51", "--name",
                              "坏内容", "-o", pdf, "--program-dir", dir.path() + "/prog"};
    ASSERT_EQ(runProgram("labtool", args, nullptr, &err), 0) << err.toStdString();
    // Each missing or broken piece is also one warning line on standard error; --strict makes them fail.
    const QString prefix = "labtool handout: warning: " + pdf + ": ";
    QStringList warnings = QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts);
    warnings.sort();
    ASSERT_EQ(warnings.size(), 3) << err.toStdString();
    EXPECT_EQ(warnings[0], prefix + "circuit picture pic/nothere.jpg is missing");
    EXPECT_TRUE(warnings[1].startsWith(prefix + "flow chart picture pic/sub/bad.jpg cannot be decoded: "));
    EXPECT_EQ(warnings[2], prefix + "source asm/51/none.asm is missing");
    QFile::remove(pdf);
    QByteArray strictErr;
    EXPECT_EQ(runProgram("labtool", args + QStringList{"--strict"}, nullptr, &strictErr), 1);
    EXPECT_EQ(strictErr, err);
    EXPECT_TRUE(QFileInfo(pdf).isFile());
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
    EXPECT_TRUE(text.contains(QString(127, QChar(u'甲')))) << layout.toStdString();
    EXPECT_FALSE(text.contains(QString(128, QChar(u'甲'))));
    EXPECT_FALSE(text.contains("尾巴"));

    // Content that is all there passes --strict.
    ASSERT_TRUE(writeFile(home + "/asm/51/none.asm", "ORG 0\r\nSJMP $\r\n"));
    ASSERT_TRUE(writeFile(home + "/pic/nothere.jpg", readFile(testsupport::programDir() + "/pic/0809.jpg")));
    ASSERT_TRUE(writeFile(home + "/pic/sub/bad.jpg", readFile(testsupport::programDir() + "/pic/0832.jpg")));
    EXPECT_EQ(runProgram("labtool", args + QStringList{"--strict"}, nullptr, &strictErr), 0) << strictErr.toStdString();
    EXPECT_TRUE(strictErr.isEmpty()) << strictErr.toStdString();
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
        {"--board", "QK740X", "--type", "51", "--name", "流水灯", "--landscape", "-o", out + ".pdf"},
    };
    for (const QStringList& args : wrong) {
        QByteArray err;
        EXPECT_EQ(runProgram("labtool", QStringList{"handout", db} + args, nullptr, &err), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith("labtool handout: ")) << err.toStdString();
        EXPECT_EQ(err.count('\n'), 1) << err.toStdString(); // the mistake, not the whole usage
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
