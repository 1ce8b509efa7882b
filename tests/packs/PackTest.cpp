// Content packs: what a pack carries, and every kind of pack the reader must refuse before it writes.
#include "packs/PackArchive.h"
#include "packs/PackMerge.h"

#include "base/ReplaceFile.h"
#include "boards/BoardLayout.h"
#include "engine/Catalogue.h"
#include "tests/packs/HostileZip.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

using namespace contentpack;
using hostilezip::Entry;

namespace {

QString refusal(const QByteArray& zip, const Limits& limits = {}) {
    return testsupport::errorOf([&] { readPack(zip, limits); });
}

// Every file under a folder with its bytes, to see that nothing changed.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        files.insert(QDir(folder).relativeFilePath(f), testsupport::readFile(f));
    }
    return files;
}

// A row's JSON with its first picture name (the circuit) changed.
QByteArray namingFirst(QByteArray json, const QString& from, const QString& to) {
    const QByteArray quoted = '"' + from.toUtf8() + '"';
    const qsizetype at = json.indexOf(quoted);
    return at < 0 ? QByteArray() : json.replace(at, quoted.size(), '"' + to.toUtf8() + '"');
}

CatalogueRow row(const QString& name, int type, const QString& picture) {
    CatalogueRow r = testsupport::catalogueRow(name, type, "A>B");
    r.program = type <= 3 ? "p.asm" : "";
    r.circuit = picture;
    r.flowChart = picture;
    return r;
}

} // namespace

TEST(ContentPack, SoundPackReadsBackAsWritten) {
    const QByteArray zip = hostilezip::make(hostilezip::soundEntries());
    ASSERT_FALSE(zip.isEmpty());
    const Content c = readPack(zip);
    ASSERT_EQ(c.rows.size(), 1);
    EXPECT_EQ(c.rows[0].name, "流水灯");
    EXPECT_EQ(c.files.keys(), QStringList({"asm/51/led.asm", "pic/c.jpg"}));

    // And what writePack makes, readPack reads unchanged (rows in order, names with "\" as "/").
    QTemporaryDir dir;
    Content mine;
    mine.rows = {row("甲", 1, "sub\\a.jpg"), row("乙", 4, "b.png"), row("丙", 1, "sub\\a.jpg")};
    mine.files = {{"asm/51/p.asm", "mov a,#1\r\n"}, {"pic/sub/a.jpg", QByteArray(70000, 'x')}, {"pic/b.png", "png"}};
    writePack(dir.path() + "/x.labpack", mine);
    EXPECT_EQ(readPack(dir.path() + "/x.labpack"), mine);
}

TEST(ContentPack, RefusesDamagedZips) {
    const QByteArray zip = hostilezip::make(hostilezip::soundEntries());
    EXPECT_TRUE(refusal(zip.left(zip.size() / 2)).contains("not a readable zip")) << refusal(zip.left(zip.size() / 2)).toStdString();
    EXPECT_TRUE(refusal("PK\x03\x04 not really a zip").contains("not a readable zip"));
    // A flipped byte in an entry's data: its CRC no longer matches.
    QList<Entry> entries = hostilezip::soundEntries();
    entries[3].store = true;
    const QByteArray damaged = hostilezip::patched(hostilezip::make(entries), "picture", "pictura");
    EXPECT_TRUE(refusal(damaged).contains("is damaged: CRC")) << refusal(damaged).toStdString();
}

TEST(ContentPack, RefusesEntriesPastTheLimitsByDeclaredAndByInflatedSize) {
    Limits small;
    small.entryBytes = 1000;
    small.totalBytes = 1500;
    QList<Entry> entries = hostilezip::soundEntries();
    entries << Entry{"pic/big.jpg", QByteArray(1200, 'z')};
    EXPECT_TRUE(refusal(hostilezip::make(entries), small).contains("past the limit of")) << refusal(hostilezip::make(entries), small).toStdString();
    entries.last().data = QByteArray(800, 'z');
    Entry second{"pic/big2.jpg", QByteArray(800, 'z')};
    entries << second;
    EXPECT_TRUE(refusal(hostilezip::make(entries), small).contains("in all"));

    // The size in the headers says 10 bytes; the data inflates to 4096.
    QList<Entry> lying = hostilezip::soundEntries();
    lying.prepend({"pic/a.jpg", QByteArray(4096, 'q'), std::nullopt, true});
    lying[2].data = namingFirst(lying[2].data, "c.jpg", "a.jpg"); // the row's circuit is the lying picture
    const QByteArray liar = hostilezip::withDeclaredSize(hostilezip::make(lying), 10);
    ASSERT_FALSE(liar.isEmpty());
    EXPECT_TRUE(refusal(liar).contains("past its declared size")) << refusal(liar).toStdString();

    // Declared sizes past the limit are refused from the directory alone, though the data is small: nothing
    // is inflated, nor written, first.
    Limits tight;
    tight.totalBytes = 100000;
    QList<Entry> claims = hostilezip::soundEntries();
    claims.prepend({"pic/c.jpg", "small", std::nullopt, true});
    claims.removeLast();
    const QByteArray claiming = hostilezip::withDeclaredSize(hostilezip::make(claims), 200000);
    EXPECT_TRUE(refusal(claiming, tight).contains("in all")) << refusal(claiming, tight).toStdString();
}

TEST(ContentPack, CarriesOnlyWhatItsExperimentsAndTheBoardsNameAndNoScratchNames) {
    // Files no experiment names are refused, each by name.
    QList<Entry> entries = hostilezip::soundEntries();
    entries << Entry{"pic/holiday.jpg", "x"} << Entry{"asm/51/other.asm", "nop"};
    const QString why = refusal(hostilezip::make(entries));
    EXPECT_TRUE(why.contains("pic/holiday.jpg") && why.contains("asm/51/other.asm") && why.contains("no board drawing"))
        << why.toStdString();

    // A board's reference picture may be replaced by a pack.
    ASSERT_FALSE(boards::referencePictures().isEmpty());
    EXPECT_TRUE(boards::referencePictures().contains("pic/8259.jpg"))
        << boards::referencePictures().join(' ').toStdString();
    entries = hostilezip::soundEntries();
    entries << Entry{"pic/8259.jpg", "my 8259"};
    EXPECT_EQ(readPack(hostilezip::make(entries)).files.value("pic/8259.jpg"), "my 8259");

    // Scratch names are refused even where an experiment names them: once the merge's own names were a
    // pack's to use, and pic/a.jpg ended up with the second entry's bytes.
    for (const QString scratch : {"pic/.labpack-c.jpg", "pic/.labpack-old-c.jpg", "pic/.labguide-part-c.jpg"}) {
        entries = hostilezip::soundEntries();
        entries[1].data = namingFirst(entries[1].data, "c.jpg", scratch.mid(4)); // the circuit
        entries << Entry{scratch, "other bytes"};
        const QString reserved = refusal(hostilezip::make(entries));
        EXPECT_TRUE(reserved.contains(scratch) && reserved.contains("reserved")) << reserved.toStdString();
    }
}

TEST(ContentPack, RefusesUnsafeNamesLinksAndDuplicates) {
    auto with = [](const Entry& extra) {
        QList<Entry> entries = hostilezip::soundEntries();
        entries << extra;
        return refusal(hostilezip::make(entries));
    };
    EXPECT_TRUE(with({"pic/../../evil.jpg", "x"}).contains("leaves its folder"));
    EXPECT_TRUE(with({"pic\\..\\..\\evil.jpg", "x"}).contains("leaves its folder"));
    EXPECT_TRUE(with({"/tmp/evil.jpg", "x"}).contains("absolute path"));
    EXPECT_TRUE(with({"C:/evil.jpg", "x"}).contains("absolute path"));
    EXPECT_TRUE(with({"pic/link.jpg", "/etc/passwd", 0120777u}).contains("is a link"));
    EXPECT_TRUE(with({"pic/fifo", "", 0010644u}).contains("not a plain file"));
    EXPECT_TRUE(with({"bin/tool", "x"}).contains("outside"));

    // libzip will not write one name twice: the second name is changed in the bytes.
    QList<Entry> entries = hostilezip::soundEntries();
    entries << Entry{"pic/d.jpg", "other"};
    const QByteArray twice = hostilezip::patched(hostilezip::make(entries), "pic/d.jpg", "pic/c.jpg");
    const QString why = refusal(twice);
    EXPECT_TRUE(why.contains("twice")) << why.toStdString();
}

TEST(ContentPack, RefusesNewerVersionsAndRowsLackingColumns) {
    QList<Entry> entries = hostilezip::soundEntries();
    entries[0].data = hostilezip::manifest({"experiments/51/001.json"}, 2);
    EXPECT_TRUE(refusal(hostilezip::make(entries)).contains("format version 2, newer"));

    entries = hostilezip::soundEntries();
    entries[1].data = R"({"实验名称": "x", "CPU类型": 1})";
    const QString why = refusal(hostilezip::make(entries));
    EXPECT_TRUE(why.contains("experiments/51/001.json") && why.contains("missing")) << why.toStdString();

    entries = hostilezip::soundEntries();
    entries.removeFirst();
    EXPECT_TRUE(refusal(hostilezip::make(entries)).contains("no manifest.json"));
}

TEST(ContentPackMerge, MergesByTypeAndNameAndRefusesConflictsWholesale) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work";
    QDir().mkpath(work);
    cataloguesource::writeCatalogue(work + "/QK740X.mdb", {row("甲", 1, "a.jpg"), row("乙", 2, "b.jpg")});
    testsupport::writeFile(work + "/pic/a.jpg", "mine");
    Content pack;
    CatalogueRow changed = row("甲", 1, "a.jpg");
    changed.wiring = "C>D";
    pack.rows = {changed, row("乙", 2, "b.jpg"), row("丙", 1, "a.jpg")};
    pack.files = {{"pic/a.jpg", "theirs"}, {"asm/51/p.asm", "nop"}};

    const auto before = snapshot(dir.path());
    const QString why = testsupport::errorOf([&] { mergePack(pack, work, Conflicts::Refuse); });
    EXPECT_TRUE(why.contains("experiment [51] 甲") && why.contains("file pic/a.jpg") && !why.contains("乙")) << why.toStdString();
    EXPECT_EQ(snapshot(dir.path()), before);

    MergeResult kept = mergePack(pack, work, Conflicts::Skip);
    EXPECT_EQ(kept.added, 1);
    EXPECT_EQ(kept.kept, 1);
    EXPECT_EQ(kept.unchanged, 1);
    EXPECT_EQ(testsupport::readFile(work + "/pic/a.jpg"), "mine");
    EXPECT_EQ(testsupport::readFile(work + "/asm/51/p.asm"), "nop");
    EXPECT_EQ(cataloguesource::readCatalogue(work + "/QK740X.mdb"),
              QList<CatalogueRow>({row("甲", 1, "a.jpg"), row("乙", 2, "b.jpg"), row("丙", 1, "a.jpg")}));

    const QList<CatalogueRow> beforeReplace = cataloguesource::readCatalogue(work + "/QK740X.mdb");
    mergePack(pack, work, Conflicts::Replace);
    EXPECT_EQ(testsupport::readFile(work + "/pic/a.jpg"), "theirs");
    EXPECT_EQ(cataloguesource::readCatalogue(work + "/QK740X.mdb"), pack.rows); // in place, same order
    // The replaced catalogue is kept as the editor keeps it.
    EXPECT_EQ(cataloguesource::readCatalogue(work + "/QK740X.mdb.bak"), beforeReplace);
    // No scratch file is left beside the targets.
    for (const QString& f : snapshot(dir.path()).keys())
        EXPECT_FALSE(f.contains(".labpack") || f.contains(replacefile::ScratchPrefix)) << f.toStdString();
}

// Every write and rename of the merge made to fail in turn, as a full disk would: the working folder and
// its catalogue stay byte for byte as they were, and the error says the disk is full. Then restores that
// fail too are each reported, with where the old file stays.
TEST(ContentPackMerge, AFailureAtAnyStepLeavesTheFolderAsItWas) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work";
    auto setUp = [](const QString& folder) {
        QDir().mkpath(folder);
        cataloguesource::writeCatalogue(folder + "/QK740X.mdb", {row("甲", 1, "a.jpg"), row("乙", 2, "b.jpg")});
        testsupport::writeFile(folder + "/QK740X.mdb.bak", "older backup");
        testsupport::writeFile(folder + "/pic/a.jpg", "mine");
        testsupport::writeFile(folder + "/asm/51/p.asm", "old");
    };
    setUp(work);
    Content content;
    CatalogueRow changed = row("甲", 1, "a.jpg");
    changed.wiring = "C>D";
    content.rows = {changed, row("丙", 1, "new/b.jpg")};
    content.files = {{"pic/a.jpg", QByteArray(200000, 't')}, {"asm/51/p.asm", "new"}, {"pic/new/b.jpg", "b"}};
    writePack(dir.path() + "/p.labpack", content);
    const PackReader pack(dir.path() + "/p.labpack");
    const auto before = snapshot(work);

    int failing = 1;
    for (;; ++failing) {
        ASSERT_LT(failing, 100);
        replacefile::testhook::failOperation(failing, ENOSPC);
        bool full = false;
        try {
            mergePack(pack, work, Conflicts::Replace);
        } catch (const replacefile::NoSpaceError& e) {
            full = e.message().contains("no space left on the device");
        } catch (const std::exception& e) {
            ADD_FAILURE() << failing << ": " << e.what();
        }
        if (replacefile::testhook::operations() < failing)
            break; // the merge went through without reaching the failing step
        EXPECT_TRUE(full) << failing;
        ASSERT_EQ(snapshot(work), before) << "after failing operation " << failing;
    }
    // Writes, the backup's copy, then each placement: every step was met.
    EXPECT_GE(failing, 10);
    EXPECT_EQ(testsupport::readFile(work + "/pic/a.jpg"), QByteArray(200000, 't'));
    EXPECT_EQ(testsupport::readFile(work + "/pic/new/b.jpg"), "b");
    EXPECT_EQ(cataloguesource::readCatalogue(work + "/QK740X.mdb"), QList<CatalogueRow>({changed, row("乙", 2, "b.jpg"), row("丙", 1, "new/b.jpg")}));

    // The catalogue's placement fails, and so does every restore after it: each target that keeps the new
    // file is named with where its old file stays, and those files are all there is beside the targets.
    replacefile::testhook::failOperation(0, 0);
    QTemporaryDir again;
    setUp(again.path());
    replacefile::testhook::failOperation(failing - 1, EIO, 100);
    const QString why = testsupport::errorOf([&] { mergePack(pack, again.path(), Conflicts::Replace); });
    replacefile::testhook::failOperation(0, 0);
    EXPECT_TRUE(why.contains("could not restore")) << why.toStdString();
    int leftovers = 0;
    for (const QString& f : snapshot(again.path()).keys()) {
        if (QFileInfo(f).fileName().startsWith(replacefile::ScratchPrefix)) {
            ++leftovers;
            EXPECT_TRUE(why.contains(QFileInfo(again.path() + "/" + f).absoluteFilePath())) << f.toStdString() << ": " << why.toStdString();
        }
    }
    EXPECT_GE(leftovers, 2) << why.toStdString();
}

TEST(ContentPackMerge, NeverWritesThroughALinkOutOfTheWorkingFolder) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work", outside = dir.path() + "/outside";
    QDir().mkpath(work);
    QDir().mkpath(outside);
    ASSERT_TRUE(QFile::link(outside, work + "/pic"));
    Content pack;
    pack.rows = {row("甲", 4, "a.jpg")};
    pack.files = {{"pic/a.jpg", "x"}};
    EXPECT_TRUE(testsupport::errorOf([&] { mergePack(pack, work, Conflicts::Replace); }).contains("is a link"));
    EXPECT_TRUE(QDir(outside).isEmpty());
    EXPECT_FALSE(QFile::exists(work + "/QK740X.mdb"));
}

TEST(ContentPackMerge, RefusesACatalogueInUse) {
    QTemporaryDir dir;
    cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb", {row("甲", 1, "a.jpg")});
    const auto before = snapshot(dir.path());
    // The program's own connection, as it holds the catalogue while it runs.
    CatalogueConnection program(cataloguesource::connectionString(dir.path() + "/QK740X.mdb", cataloguesource::DefaultPassword, true));
    program.open();
    Content pack;
    pack.rows = {row("乙", 1, "b.jpg")};
    pack.files = {{"pic/b.jpg", "x"}};
    EXPECT_TRUE(testsupport::errorOf([&] { mergePack(pack, dir.path(), Conflicts::Refuse); }).contains("in use by labguide"));
    EXPECT_EQ(snapshot(dir.path()), before);
}
