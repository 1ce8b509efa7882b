// Checks of the bundled sample data: catalogue, assembly sources, experiment and reference pictures.
#include "tests/support/As31.h"
#include "tests/support/TestSupport.h"
#include "tests/viewers/ModalCloser.h"

#include "base/Gbk.h"
#include "base/ProgramFolder.h"
#include "engine/linksheet.h"
#include "viewers/U_Edit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

#include <memory>

namespace {

using testsupport::readFile;
using testsupport::sourceDir;

QString dataDir() { return sourceDir() + "/data"; }

struct Experiment {
    QString file; // relative to data/catalogue
    QJsonObject row;
    int type() const { return row.value("CPU类型").toInt(); }
    QString text(const char* column) const { return row.value(QString::fromUtf8(column)).toString(); }
};

QList<Experiment> catalogue() {
    QList<Experiment> list;
    QDir dir(dataDir() + "/catalogue");
    QStringList files;
    for (const QString& type : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& f : QDir(dir.filePath(type)).entryList({"*.json"}, QDir::Files))
            files << type + "/" + f;
    files.sort();
    for (const QString& f : files)
        list.append({f, QJsonDocument::fromJson(readFile(dir.filePath(f))).object()});
    return list;
}

struct Board {
    QString name;
    QSet<QByteArray> terminals; // upper case, without the "SHP_" prefix
    QList<int> types;           // the experiment types its type selector offers
    QStringList blockKeys;      // of the module blocks whose click is wired
};

QList<Board> boards() {
    QList<Board> list;
    for (const char* name : {"QK740X", "QK620X", "QK310X", "QK930X"}) {
        const QJsonObject o =
            QJsonDocument::fromJson(readFile(sourceDir() + "/boards/data/" + QString(name) + ".json")).object();
        Board b{QString(name), {}, {}, {}};
        for (const QJsonValue& t : o.value("panel").toObject().value("types").toArray())
            b.types << t.toObject().value("cpuType").toInt();
        for (const QJsonValue& v : o.value("components").toArray()) {
            const QJsonObject c = v.toObject();
            const QString n = c.value("name").toString();
            if (c.value("kind") == "terminal")
                b.terminals.insert(n.mid(4).toUpper().toLatin1());
            else if (c.value("kind") == "block" && c.value("click").toBool())
                b.blockKeys << n.mid(3);
        }
        list << b;
    }
    return list;
}

// Width and height from a JPEG's frame header; {-1, -1} when the bytes are no JPEG.
QSize jpegSize(const QByteArray& b) {
    auto at = [&](qsizetype i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return {-1, -1};
    qsizetype pos = 2;
    while (pos + 9 < b.size()) {
        if (at(pos) != 0xFF)
            return {-1, -1};
        const int marker = at(pos + 1);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return {at(pos + 7) << 8 | at(pos + 8), at(pos + 5) << 8 | at(pos + 6)};
        pos += 2 + (at(pos + 2) << 8 | at(pos + 3));
    }
    return {-1, -1};
}

// The problem with a picture, or empty when it is a JPEG of modest size.
QString pictureProblem(const QString& storedName) {
    const QString path = programfolder::findFile(dataDir() + "/pic/" + programfolder::localSeparators(storedName));
    if (path.isEmpty())
        return "pic/" + storedName + " is missing";
    const QSize s = jpegSize(readFile(path));
    if (!s.isValid())
        return "pic/" + storedName + " is no JPEG";
    if (s.width() > 640 || s.height() > 480)
        return QStringLiteral("pic/%1 is %2x%3, larger than 640x480").arg(storedName).arg(s.width()).arg(s.height());
    return {};
}

// The conversion to as31's spelling is shared with the assembler's tests (tests/support/As31.h).
using testsupport::toAs31;

// Assembles with as31 in a scratch folder; returns its exit code and puts its messages into `log`.
int assemble(const QByteArray& intelSource, QString* log) {
    QTemporaryDir dir;
    const QString file = dir.filePath("prog.asm");
    if (!testsupport::writeFile(file, toAs31(intelSource)))
        return -1;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStandardPaths::findExecutable("as31"), {"-l", "prog.asm"});
    p.waitForFinished(60000);
    *log = QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode() == 0 && QFileInfo::exists(dir.filePath("prog.hex")) ? 0 : p.exitCode() ? p.exitCode() : -1;
}

TEST(SamplePrograms, Every8051SourceAssemblesWithAs31) {
    ASSERT_FALSE(QStandardPaths::findExecutable("as31").isEmpty()) << "as31 is missing (scripts/debian-packages.txt)";
    QString log;
    // The check can fail: a wrong mnemonic and an undefined label are refused.
    EXPECT_NE(assemble("        ORG 0000H\r\n        MOVV A,#1\r\n        END\r\n", &log), 0);
    EXPECT_NE(assemble("        ORG 0000H\r\n        SJMP NOWHERE\r\n        END\r\n", &log), 0);
    EXPECT_EQ(assemble("X EQU 30H\r\n        ORG 0000H\r\n        MOV X,#1\r\n        SJMP $\r\nT: DB \"A;B\",0\r\n"
                       "        END\r\n", &log), 0) << log.toStdString();

    const QDir dir(dataDir() + "/asm/51");
    const QStringList files = dir.entryList({"*.asm"}, QDir::Files);
    EXPECT_GE(files.size(), 15);
    for (const QString& f : files) {
        EXPECT_EQ(assemble(readFile(dir.filePath(f)), &log), 0) << f.toStdString() << ":\n" << log.toStdString();
    }
}

TEST(SamplePrograms, SourcesAreReadableTextInGbkOrUtf8) {
    int gbkFiles = 0, utf8Files = 0, crlfFiles = 0, total = 0;
    for (const QString type : {"51", "88", "96"}) {
        const QDir dir(dataDir() + "/asm/" + type);
        for (const QString& f : dir.entryList({"*.asm"}, QDir::Files)) {
            const QByteArray bytes = readFile(dir.filePath(f));
            const QString text = gbk::decodeSource(bytes);
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << type.toStdString() << "/" << f.toStdString();
            EXPECT_TRUE(text.contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]")))
                << type.toStdString() << "/" << f.toStdString() << " has no Chinese comment";
            ++(gbk::looksLikeUtf8(bytes) ? utf8Files : gbkFiles);
            crlfFiles += bytes.count("\r\n") == bytes.count('\n');
            ++total;
        }
    }
    EXPECT_GT(gbkFiles, 0);
    EXPECT_GT(utf8Files, 0);
    EXPECT_GT(crlfFiles * 2, total) << "most sources end their lines in CR LF";
}

TEST(SampleCatalogue, EveryExperimentNamesExistingSourceAndPictures) {
    const QList<Experiment> rows = catalogue();
    EXPECT_GE(rows.size(), 40);
    const char* folders[] = {"", "51", "88", "96"};
    for (const Experiment& e : rows) {
        const std::string who = e.file.toStdString();
        ASSERT_TRUE(e.type() >= 1 && e.type() <= 4) << who;
        EXPECT_EQ(e.file.section('/', 0, 0), e.type() == 4 ? QString("PCI") : QString(folders[e.type()])) << who;
        if (e.type() <= 3) {
            const QString src = dataDir() + "/asm/" + folders[e.type()] + "/" + e.text("实验程序");
            EXPECT_FALSE(e.text("实验程序").isEmpty()) << who;
            EXPECT_FALSE(programfolder::findFile(src).isEmpty()) << who << ": " << src.toStdString();
        }
        EXPECT_FALSE(e.text("入口地址").isEmpty()) << who;
        for (const char* column : {"实验电路", "实验框图"}) {
            EXPECT_FALSE(e.text(column).isEmpty()) << who;
            EXPECT_EQ(pictureProblem(e.text(column)), QString()) << who;
        }
        for (const char* column : {"实验目的", "实验要求", "实验说明"})
            EXPECT_FALSE(e.text(column).isEmpty()) << who << " " << column;
    }
}

TEST(SampleCatalogue, WiringNamesTerminalsOfEveryBoardOfferingTheType) {
    const QList<Board> all = boards();
    QMap<QString, QMap<int, int>> perBoardAndType;
    for (const Experiment& e : catalogue()) {
        const QList<QByteArray> steps = parseWiringSteps(gbk::encode(e.text("实验接线")));
        EXPECT_FALSE(steps.isEmpty()) << e.file.toStdString();
        for (const Board& b : all) {
            if (!b.types.contains(e.type()))
                continue;
            ++perBoardAndType[b.name][e.type()];
            for (const QByteArray& step : steps) {
                const QList<QByteArray> ends = step.split('>');
                ASSERT_EQ(ends.size(), 2) << e.file.toStdString() << ": " << step.toStdString();
                for (const QByteArray& end : ends)
                    EXPECT_TRUE(b.terminals.contains(end.trimmed()))
                        << e.file.toStdString() << ": " << b.name.toStdString() << " has no terminal "
                        << end.trimmed().toStdString();
            }
        }
    }
    // Every type of every board has experiments to choose from.
    for (const Board& b : all) {
        ASSERT_FALSE(b.types.isEmpty()) << b.name.toStdString();
        for (int type : b.types)
            EXPECT_GE(perBoardAndType[b.name][type], 3) << b.name.toStdString() << " type " << type;
    }
}

// The text viewer does not wrap, so the texts carry their own line breaks: every line of every text fits the
// viewer as it first opens, in its own font, and no text loses its end to the capacity of its record field.
TEST(SampleCatalogue, TextsFitTheirFieldsAndTheTextViewerWithoutSidewaysScrolling) {
    TExperimentRecord record;
    const struct {
        const char* column;
        int capacity;
    } fields[] = {{"入口地址", record.EntryAddress.capacity},   {"实验名称", record.ExperimentName.capacity},
                  {"实验电路", record.CircuitPicture.capacity}, {"实验框图", record.FlowChartPicture.capacity},
                  {"实验接线", record.WiringText.capacity},     {"实验程序", record.ProgramFile.capacity},
                  {"实验目的", record.Purpose.capacity},        {"实验要求", record.Requirement.capacity}};

    QWidget mainWindow;
    mainWindow.resize(805, 644);
    auto* viewer = new TFrmEdit(&mainWindow);
    ASSERT_EQ(FrmEdit, viewer);
    struct Seen {
        int sidewaysRange = -1;
        qreal widest = 0;
        QString widestLine;
        int room = 0;
    } seen;
    ModalCloser closer([&](QWidget*) {
        const QPlainTextEdit* memo = viewer->Memo1;
        seen = {memo->horizontalScrollBar()->maximum(), 0, {},
                memo->viewport()->width() - 2 * int(memo->document()->documentMargin())};
        for (QTextBlock b = memo->document()->firstBlock(); b.isValid(); b = b.next())
            if (b.layout()->lineCount() > 0 && b.layout()->lineAt(0).naturalTextWidth() > seen.widest) {
                seen.widest = b.layout()->lineAt(0).naturalTextWidth();
                seen.widestLine = b.text();
            }
    });

    int shown = 0;
    for (const Experiment& e : catalogue()) {
        const std::string who = e.file.toStdString();
        for (const auto& f : fields)
            EXPECT_LE(gbk::encode(e.text(f.column)).size(), f.capacity) << who << " " << f.column;
        // As the board view shows them: purpose and requirement from their record fields, the description whole.
        record.Purpose.assign(gbk::encode(e.text("实验目的")));
        record.Requirement.assign(gbk::encode(e.text("实验要求")));
        const std::pair<const char*, QByteArray> texts[] = {{"实验目的", record.Purpose.bytes()},
                                                            {"实验要求", record.Requirement.bytes()},
                                                            {"实验说明", gbk::encode(e.text("实验说明"))}};
        for (const auto& [column, bytes] : texts) {
            seen = {};
            ShowText(gbk::encode(QString::fromUtf8(column) + ": " + e.text("实验名称")), bytes);
            ++shown;
            EXPECT_EQ(seen.sidewaysRange, 0)
                << who << " " << column << ": a line is " << seen.widest << " pixels wide, the viewer shows "
                << seen.room << ": " << seen.widestLine.toStdString();
            EXPECT_LE(seen.widest, seen.room) << who << " " << column;
        }
    }
    EXPECT_EQ(closer.openings(), shown);
    EXPECT_GE(shown, 120);
}

TEST(SampleCatalogue, BuiltCatalogueLintsCleanAndExportsBackToItsSources) {
    const QString db = testsupport::workDir() + "/QK740X.mdb";
    ASSERT_TRUE(QFileInfo::exists(db)) << db.toStdString();
    QByteArray out, err;
    EXPECT_EQ(testsupport::runProgram("labtool", {"catalogue", "lint", db, "--program-dir", dataDir()}, &out, &err), 0)
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();

    QTemporaryDir tmp;
    const QString exported = tmp.filePath("export");
    ASSERT_EQ(testsupport::runProgram("labtool", {"catalogue", "export", db, exported}, &out, &err), 0)
        << err.toStdString();
    QStringList expected;
    for (const Experiment& e : catalogue())
        expected << e.file;
    QStringList got;
    for (const QString& type : QDir(exported).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& f : QDir(exported + "/" + type).entryList(QDir::Files))
            got << type + "/" + f;
    got.sort();
    ASSERT_EQ(got, expected);
    for (const QString& f : expected)
        EXPECT_EQ(readFile(exported + "/" + f), readFile(dataDir() + "/catalogue/" + f)) << f.toStdString();
}

TEST(SamplePictures, EveryReferenceItemAndWiredComponentHasItsPicture) {
    // Items of the reference menu: the picture is the item name less two characters.
    const QStringList items = {
        "N_cz11", "n_cz4", "N_cz7", "N_led", "n_kg", "N_PULSE", "n_CLKdiv", "N_JK485", "n_syscomm", "N_shuma",
        "n_key", "n_CPU51", "n_memory", "n_pwm", "n_ic89s52", "N_IC8255", "N_IC8253", "N_IC8251", "N_IC273",
        "N_IC373", "N_IC244", "N_IC245", "N_IC8279", "N_IC00", "N_IC62256", "N_IC8250", "N_IC04", "N_IC07",
        "N_IC232", "N_IC0809", "N_IC0832", "n_IC324", "N_IC393", "N_IC75451", "N_IC485", "n_IC1420", "N_IC8088",
        "n_IC8259", "N_IC8155", "N_IC27512", "N_IC138", "N_IC8237", "N_IC4066", "N_IC24C02"};
    ASSERT_EQ(items.size(), 44);
    QStringList names;
    for (const QString& item : items)
        names << item.mid(2);
    // Wired instrument widgets: the digits of QK310X, the LCD, the key pads and the QK930X stepper motor.
    names << "1" << "2" << "3" << "4" << "5" << "6" << "lcd" << "key" << "pmotor";
    for (const Board& b : boards()) {
        EXPECT_FALSE(b.blockKeys.isEmpty()) << b.name.toStdString();
        names << b.blockKeys;
    }
    names.removeDuplicates();
    for (const QString& n : names)
        EXPECT_EQ(pictureProblem(n + ".jpg"), QString());
    // The problem report itself notices a missing or foreign file.
    EXPECT_NE(pictureProblem("no such picture.jpg"), QString());
    EXPECT_NE(pictureProblem("../scripts/README.md"), QString());
}

} // namespace
