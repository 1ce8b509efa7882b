#include "tests/packs/HostileZip.h"

#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <zip.h>

namespace hostilezip {

QByteArray make(const QList<Entry>& entries) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path() + "/p.zip");
    int code = 0;
    zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z)
        return {};
    for (const Entry& e : entries) {
        zip_source_t* s = zip_source_buffer(z, e.data.constData(), static_cast<zip_uint64_t>(e.data.size()), 0);
        const QByteArray name = e.name.toUtf8();
        const zip_int64_t i = zip_file_add(z, name.constData(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            zip_discard(z);
            return {};
        }
        if (e.unixMode)
            zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX, *e.unixMode << 16);
        if (e.store)
            zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return {};
    }
    return testsupport::readFile(dir.path() + "/p.zip");
}

QByteArray manifest(const QStringList& rowEntries, int version) {
    QJsonObject o;
    o.insert("format", "labguide-pack");
    o.insert("version", version);
    o.insert("experiments", QJsonArray::fromStringList(rowEntries));
    return QJsonDocument(o).toJson();
}

QList<Entry> soundEntries() {
    CatalogueRow r = testsupport::catalogueRow("流水灯", 1, "P10>L1");
    r.program = "led.asm";
    r.circuit = "c.jpg";
    r.flowChart = "c.jpg";
    return {{"manifest.json", manifest({"experiments/51/001.json"})},
            {"experiments/51/001.json", cataloguesource::formatRow(r)},
            {"asm/51/led.asm", "nop\r\n"},
            {"pic/c.jpg", "picture"}};
}

QByteArray patched(QByteArray zip, const QByteArray& from, const QByteArray& to) {
    return zip.replace(from, to);
}

static void putLe32(QByteArray& b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QByteArray withDeclaredSize(QByteArray zip, quint32 size) {
    const qsizetype local = zip.indexOf(QByteArray("PK\x03\x04", 4));
    const qsizetype central = zip.indexOf(QByteArray("PK\x01\x02", 4));
    if (local < 0 || central < 0)
        return {};
    putLe32(zip, local + 22, size);
    putLe32(zip, central + 24, size);
    return zip;
}

} // namespace hostilezip
