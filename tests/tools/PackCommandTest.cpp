// labtool pack and unpack: the round trip a teacher relies on, and packs that must leave a folder untouched.
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "tests/packs/HostileZip.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using testsupport::readFile;
using testsupport::runProgram;
using testsupport::writeFile;

namespace {

QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        files.insert(QDir(folder).relativeFilePath(f), QFileInfo(f).isFile() ? readFile(f) : QByteArray("<dir>"));
    }
    return files;
}

CatalogueRow row(const QString& name, int type, const QString& program, const QString& circuit, const QString& flow) {
    CatalogueRow r = testsupport::catalogueRow(name, type, "P10>L1\r\nP11>L2");
    r.program = program;
    r.entry = "2000H";
    r.circuit = circuit;
    r.flowChart = flow;
    r.purpose = "目的";
    r.requirement = "要求";
    r.description = "说明\r\n第二行";
    return r;
}

} // namespace

TEST(LabtoolPack, ExportPackUnpackExportGivesTheSameRowsAndFiles) {
    QTemporaryDir dir;
    const QString home = dir.path() + "/home", prog = dir.path() + "/prog";
    QDir().mkpath(home);
    // The shipped source is found whatever its letter case; the teacher's picture in the catalogue's folder
    // wins over the shipped one of the same name.
    writeFile(prog + "/asm/51/LED.ASM", "mov p1,#0FEH\r\n");
    writeFile(prog + "/pic/sub/流程.png", "shipped");
    writeFile(home + "/pic/sub/流程.png", QByteArray("\x89PNG teacher's", 14));
    writeFile(prog + "/pic/c.jpg", QByteArray(300000, '\x5a'));
    writeFile(prog + "/asm/88/io.asm", "mov dx,0\r\n");
    cataloguesource::writeCatalogue(home + "/QK740X.mdb",
                                    {row("流水灯", 1, "led.asm", "c.jpg", "sub\\流程.png"), row("PCI 输出", 4, "", "c.jpg", ""),
                                     row("输入输出", 2, "io.asm", "c.jpg", "c.jpg")});
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"catalogue", "export", home + "/QK740X.mdb", dir.path() + "/before"}, &out, &err), 0);
    ASSERT_EQ(runProgram("labtool", {"pack", home + "/QK740X.mdb", "--program-dir", prog, "-o", dir.path() + "/x.labpack"},
                         &out, &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("3 experiments and 4 files written")) << err.toStdString();
    EXPECT_FALSE(err.contains("warning")) << err.toStdString(); // an empty picture name is no missing file

    const QString into = dir.path() + "/new/work";
    ASSERT_EQ(runProgram("labtool", {"unpack", dir.path() + "/x.labpack", "--into", into, "--program-dir", prog}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("3 experiments added, 0 replaced, 0 kept, 0 unchanged; 4 files written")) << err.toStdString();
    ASSERT_EQ(runProgram("labtool", {"catalogue", "export", into + "/QK740X.mdb", dir.path() + "/after"}, &out, &err), 0);
    const QStringList exported = cataloguesource::sourceFiles(dir.path() + "/before");
    ASSERT_EQ(exported.size(), 3);
    EXPECT_EQ(cataloguesource::sourceFiles(dir.path() + "/after"), exported);
    for (const QString& f : exported)
        EXPECT_EQ(readFile(dir.path() + "/after/" + f), readFile(dir.path() + "/before/" + f)) << f.toStdString();
    // Each file at its stored name, byte for byte the one the lookup found.
    EXPECT_EQ(readFile(into + "/asm/51/led.asm"), readFile(prog + "/asm/51/LED.ASM"));
    EXPECT_EQ(readFile(into + "/pic/sub/流程.png"), readFile(home + "/pic/sub/流程.png"));
    EXPECT_EQ(readFile(into + "/pic/c.jpg"), readFile(prog + "/pic/c.jpg"));
    EXPECT_EQ(readFile(into + "/asm/88/io.asm"), readFile(prog + "/asm/88/io.asm"));

    // A file changed since: unpacking again names the conflict and the two ways to settle it.
    ASSERT_TRUE(writeFile(into + "/pic/c.jpg", "mine"));
    EXPECT_EQ(runProgram("labtool", {"unpack", dir.path() + "/x.labpack", "--into", into}, &out, &err), 2);
    EXPECT_TRUE(err.startsWith("labtool unpack: 1 conflict(s) with the working folder ")) << err.toStdString();
    EXPECT_TRUE(err.contains("; nothing written; choose --replace (the pack wins) or --skip (keep the working "
                             "folder's):\n  file pic/c.jpg\n"))
        << err.toStdString();
    EXPECT_EQ(readFile(into + "/pic/c.jpg"), "mine");
    ASSERT_EQ(runProgram("labtool", {"unpack", dir.path() + "/x.labpack", "--into", into, "--skip"}, &out, &err), 0);
    EXPECT_TRUE(err.startsWith("labtool unpack: conflict, kept: file pic/c.jpg\n")) << err.toStdString();

    // One type, chosen names; a name that is not there is an input error.
    EXPECT_EQ(runProgram("labtool", {"pack", home + "/QK740X.mdb", "--type", "88", "--name", "输入输出", "--program-dir", prog,
                                     "-o", dir.path() + "/one.labpack"},
                         &out, &err),
              0);
    EXPECT_TRUE(err.contains("1 experiments and 2 files written")) << err.toStdString();
    EXPECT_EQ(runProgram("labtool", {"pack", home + "/QK740X.mdb", "--name", "无此实验", "-o", dir.path() + "/no.labpack"}, &out, &err), 2);
    EXPECT_EQ(runProgram("labtool", {"unpack", dir.path() + "/x.labpack", "--replace", "--skip"}, &out, &err), 2);
}

TEST(LabtoolPack, HostilePacksAreRefusedAndTouchNothing) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work";
    cataloguesource::writeCatalogue((QDir().mkpath(work), work + "/QK740X.mdb"), {row("甲", 1, "a.asm", "a.jpg", "a.jpg")});
    writeFile(work + "/pic/a.jpg", "mine");
    const auto before = snapshot(dir.path());

    using hostilezip::Entry;
    auto with = [](const Entry& extra) {
        QList<Entry> entries = hostilezip::soundEntries();
        entries << extra;
        return hostilezip::make(entries);
    };
    QList<Entry> newer = hostilezip::soundEntries();
    newer[0].data = hostilezip::manifest({"experiments/51/001.json"}, 2);
    QList<Entry> lacking = hostilezip::soundEntries();
    lacking[1].data = R"({"实验名称": "x", "CPU类型": 1})";
    const QByteArray sound = hostilezip::make(hostilezip::soundEntries());
    const QList<QPair<const char*, QByteArray>> packs = {
        {"damaged zip", sound.left(sound.size() - 30)},
        {"bomb", with({"pic/zeros.jpg", QByteArray((qsizetype(64) << 20) + 1, '\0')})},
        {"..", with({"pic/../../escape.jpg", "x"})},
        {"absolute", with({"/tmp/escape.jpg", "x"})},
        {"link", with({"pic/l.jpg", "/etc/passwd", 0120777u})},
        {"duplicate", hostilezip::patched(with({"pic/d.jpg", "other"}), "pic/d.jpg", "pic/c.jpg")},
        {"newer", hostilezip::make(newer)},
        {"lacking columns", hostilezip::make(lacking)},
        {"scratch name", with({"pic/.labpack-c.jpg", "x"})},
        {"file no experiment names", with({"pic/holiday.jpg", "x"})},
    };
    for (const auto& [what, bytes] : packs) {
        ASSERT_FALSE(bytes.isEmpty()) << what;
        const QString file = QDir::tempPath() + "/labtool-hostile-" + QString::number(::getpid()) + ".labpack";
        ASSERT_TRUE(writeFile(file, bytes));
        QByteArray out, err;
        EXPECT_EQ(runProgram("labtool", {"unpack", file, "--into", work, "--replace"}, &out, &err), 2) << what;
        EXPECT_TRUE(err.startsWith("labtool unpack: ")) << what << ": " << err.toStdString();
        if (QByteArray(what) == "file no experiment names") {
            EXPECT_TRUE(err.contains("pic/holiday.jpg")) << err.toStdString();
        }
        EXPECT_EQ(snapshot(dir.path()), before) << what;
        QFile::remove(file);
    }
}

TEST(LabtoolPack, RefusesACatalogueInUseAndAFolderItCannotWrite) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work";
    QDir().mkpath(work);
    cataloguesource::writeCatalogue(work + "/QK740X.mdb", {row("甲", 1, "a.asm", "a.jpg", "a.jpg")});
    const QString pack = dir.path() + "/p.labpack";
    writeFile(pack, hostilezip::make(hostilezip::soundEntries()));
    const auto before = snapshot(work);
    QByteArray out, err;
    {
        CatalogueConnection program(
            cataloguesource::connectionString(work + "/QK740X.mdb", cataloguesource::DefaultPassword, true));
        program.open();
        EXPECT_EQ(runProgram("labtool", {"unpack", pack, "--into", work}, &out, &err), 2);
        EXPECT_EQ(err, "labtool unpack: 实验演示向导正在使用 QK740X.mdb：请先关闭它\n") << err.toStdString();
        EXPECT_EQ(runProgram("labtool", {"catalogue", "list", work + "/QK740X.mdb"}, &out, &err), 2);
        EXPECT_EQ(err, "labtool catalogue: 实验演示向导正在使用 QK740X.mdb：请先关闭它\n") << err.toStdString();
        // Last: reading the catalogue here drops this process's lock on it.
        EXPECT_EQ(snapshot(work), before);
    }

    // A folder the user may not write; root may write anywhere, so labtool runs as nobody then.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(pack, QFile::ReadOwner | QFile::ReadOther);
    QProcess p;
    const QString labtool = testsupport::programDir() + "/labtool";
    if (::geteuid() == 0)
        p.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", labtool, "unpack", pack, "--into", work});
    else
        p.start(labtool, {"unpack", pack, "--into", work});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray why = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 2) << why.toStdString();
    EXPECT_TRUE(why.contains("cannot write to the working folder")) << why.toStdString();
    QFile::setPermissions(work, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(snapshot(work), before);
}
