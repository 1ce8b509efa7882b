#include "packs/PackArchive.h"

#include "base/ErrorReport.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sys/stat.h>
#include <zip.h>

#include <memory>
#include <vector>

namespace contentpack {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

QString zipText(zip_error_t* error) { return QString::fromUtf8(zip_error_strerror(error)); }

bool compressedAlready(const QString& name) {
    static const QStringList kinds = {".jpg", ".jpeg", ".png", ".gif"};
    for (const QString& k : kinds)
        if (name.endsWith(k, Qt::CaseInsensitive))
            return true;
    return false;
}

// The pack's folders and what may be in them.
bool allowedFile(const QString& name) {
    return name.startsWith(QLatin1String("asm/51/")) || name.startsWith(QLatin1String("asm/88/")) ||
           name.startsWith(QLatin1String("asm/96/")) || name.startsWith(QLatin1String("pic/")) ||
           name.startsWith(QLatin1String("experiments/")) || name == QLatin1String(ManifestEntry);
}

QString megabytes(qint64 bytes) { return QStringLiteral("%1 MB").arg(bytes >> 20); }

struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// Reads entry `index` (declared `size` bytes) to `sink` in chunks; the bytes are held to the declared size.
void readEntry(zip_t* z, zip_uint64_t index, const QString& name, qint64 size,
               const std::function<void(const char*, qint64)>& sink) {
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(z, index, 0));
    if (!file)
        throw Error(QStringLiteral("cannot read the entry %1: %2").arg(name, QString::fromUtf8(zip_strerror(z))));
    std::vector<char> buffer(std::size_t(1) << 16);
    qint64 done = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
        if (n < 0)
            throw Error(QStringLiteral("the entry %1 is damaged: %2").arg(name, QString::fromUtf8(zip_file_strerror(file.get()))));
        if (n == 0)
            break;
        // The declared size may lie: the bytes actually inflated are held to it.
        done += n;
        if (done > size)
            throw Error(QStringLiteral("the entry %1 inflates past its declared size of %2 bytes").arg(name).arg(size));
        sink(buffer.data(), static_cast<qint64>(n));
    }
    if (done != size)
        throw Error(QStringLiteral("the entry %1 is shorter than declared").arg(name));
}

QByteArray entryBytes(zip_t* z, zip_uint64_t index, const QString& name, qint64 size) {
    QByteArray data;
    data.reserve(static_cast<qsizetype>(size));
    readEntry(z, index, name, size, [&](const char* p, qint64 n) { data.append(p, static_cast<qsizetype>(n)); });
    return data;
}

// At most this many names in one refusal; the rest are counted.
QString nameList(const QStringList& names) {
    constexpr int shown = 20;
    QString text = names.mid(0, shown).join(QStringLiteral(", "));
    if (names.size() > shown)
        text += QStringLiteral(" and %1 more").arg(names.size() - shown);
    return text;
}

} // namespace

struct PackReader::Impl {
    Archive z;
    QList<CatalogueRow> rows;
    QMap<QString, qint64> files;
    QHash<QString, zip_uint64_t> index;

    void open(zip_source_t* source, const QString& what);
    void check(const Limits& limits);
};

void PackReader::Impl::open(zip_source_t* source, const QString& what) {
    zip_error_t error;
    zip_error_init(&error);
    z.reset(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!z) {
        // libzip finds a name used twice as it reads the directory.
        const bool twice = zip_error_code_zip(&error) == ZIP_ER_EXISTS;
        const QString why = zipText(&error);
        zip_error_fini(&error);
        zip_source_free(source);
        if (twice)
            throw Error(QStringLiteral("%1 holds one entry name twice").arg(what));
        throw Error(QStringLiteral("%1 is not a readable zip file (%2)").arg(what, why));
    }
    zip_error_fini(&error);
}

void PackReader::Impl::check(const Limits& limits) {
    const zip_int64_t count = zip_get_num_entries(z.get(), 0);
    if (count < 0)
        throw Error(QStringLiteral("the pack is not a readable zip file"));
    if (count > limits.entries)
        throw Error(QStringLiteral("the pack holds %1 entries; at most %2 are read").arg(count).arg(limits.entries));

    // First the whole directory: names, kinds and declared sizes, so that nothing is inflated, let alone
    // written, for a pack that the directory already shows to be refused.
    QMap<QString, qint64> texts;
    QSet<QString> folders;
    qint64 declaredTotal = 0, textTotal = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t at = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(z.get(), at, ZIP_FL_ENC_GUESS);
        if (!rawName)
            throw Error(QStringLiteral("the pack's entry %1 has no readable name").arg(i + 1));
        const QString name = checkedEntryName(QString::fromUtf8(rawName));
        if (index.contains(name) || folders.contains(name))
            throw Error(QStringLiteral("the pack holds the entry %1 twice").arg(name));

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z.get(), at, 0, &system, &attributes) == 0 && system == ZIP_OPSYS_UNIX) {
            const mode_t type = (attributes >> 16) & S_IFMT;
            if (type == S_IFLNK)
                throw Error(QStringLiteral("the entry %1 is a link; packs hold plain files only").arg(name));
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                throw Error(QStringLiteral("the entry %1 is not a plain file").arg(name));
        }

        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z.get(), at, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            throw Error(QStringLiteral("the pack's entry %1 is damaged").arg(name));
        if (name.endsWith('/')) {
            if (st.size != 0)
                throw Error(QStringLiteral("the folder entry %1 holds data").arg(name));
            folders.insert(name);
            continue;
        }
        if (!allowedFile(name))
            throw Error(QStringLiteral("the entry %1 is outside manifest.json, experiments/, asm/51, asm/88, asm/96 "
                                       "and pic/")
                            .arg(name));
        if (st.size > static_cast<zip_uint64_t>(limits.entryBytes))
            throw Error(QStringLiteral("the entry %1 inflates to %2 bytes, past the limit of %3 per entry")
                            .arg(name)
                            .arg(st.size)
                            .arg(megabytes(limits.entryBytes)));
        const qint64 size = static_cast<qint64>(st.size);
        declaredTotal += size;
        if (declaredTotal > limits.totalBytes)
            throw Error(QStringLiteral("the pack inflates past the limit of %1 in all").arg(megabytes(limits.totalBytes)));
        index.insert(name, at);
        if (name == QLatin1String(ManifestEntry) || name.startsWith(QLatin1String("experiments/"))) {
            textTotal += size;
            if (textTotal > limits.textBytes)
                throw Error(QStringLiteral("the pack's manifest and experiments inflate past the limit of %1 in all")
                                .arg(megabytes(limits.textBytes)));
            texts.insert(name, size);
        } else {
            files.insert(name, size);
        }
    }
    // A name that is a file and also a folder of another file can be written only half; names that differ in
    // letter case alone are one file to the content lookup (and on some disks).
    QHash<QString, QString> byLowerName;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString other = byLowerName.value(it.key().toLower());
        if (!other.isEmpty())
            throw Error(QStringLiteral("the pack holds %1 and %2, which differ only in letter case").arg(other, it.key()));
        byLowerName.insert(it.key().toLower(), it.key());
    }
    for (auto it = files.begin(); it != files.end(); ++it)
        for (qsizetype slash = it.key().indexOf('/'); slash >= 0; slash = it.key().indexOf('/', slash + 1))
            if (files.contains(it.key().left(slash)))
                throw Error(QStringLiteral("the pack holds %1 both as a file and as a folder").arg(it.key().left(slash)));

    // Then the manifest and the rows, small enough to hold.
    if (!texts.contains(QLatin1String(ManifestEntry)))
        throw Error(QStringLiteral("the pack has no %1; not a labguide content pack").arg(ManifestEntry));
    const QString manifest = QLatin1String(ManifestEntry);
    const QStringList rowEntries = parseManifest(entryBytes(z.get(), index.value(manifest), manifest, texts.take(manifest)));
    for (const QString& entry : rowEntries) {
        if (!texts.contains(entry))
            throw Error(QStringLiteral("the manifest names %1, which the pack lacks").arg(entry));
        const QByteArray json = entryBytes(z.get(), index.value(entry), entry, texts.take(entry));
        try {
            rows << cataloguesource::parseRow(json);
        } catch (const Error& e) {
            throw Error(QStringLiteral("%1: %2").arg(entry, e.message()));
        }
    }
    if (!texts.isEmpty())
        throw Error(QStringLiteral("the entry %1 is not in the manifest").arg(texts.firstKey()));

    // Last what the files are for: a classroom's pack carries what its experiments and the boards show.
    const QStringList unnamed = unnamedFiles(rows, files.keys());
    if (!unnamed.isEmpty())
        throw Error(QStringLiteral("the pack carries %1 file(s) that none of its experiments and no board drawing "
                                   "names: %2")
                        .arg(unnamed.size())
                        .arg(nameList(unnamed)));
}

PackReader::PackReader(const QString& path, const Limits& limits) : d(std::make_unique<Impl>()) {
    const QFileInfo info(path);
    if (!info.isFile())
        throw Error(QStringLiteral("cannot find the pack %1").arg(path));
    zip_error_t error;
    zip_error_init(&error);
    const QByteArray file = QFile::encodeName(path);
    zip_source_t* source = zip_source_file_create(file.constData(), 0, -1, &error);
    if (!source) {
        const QString why = zipText(&error);
        zip_error_fini(&error);
        throw Error(QStringLiteral("cannot read %1: %2").arg(path, why));
    }
    zip_error_fini(&error);
    d->open(source, path);
    d->check(limits);
}

PackReader::PackReader(const QByteArray& bytes, const Limits& limits) : d(std::make_unique<Impl>()) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    zip_error_fini(&error);
    if (!source)
        throw Error(QStringLiteral("out of memory"));
    d->open(source, QStringLiteral("the pack"));
    d->check(limits);
}

PackReader::~PackReader() = default;

const QList<CatalogueRow>& PackReader::rows() const { return d->rows; }

const QMap<QString, qint64>& PackReader::files() const { return d->files; }

void PackReader::read(const QString& entry, const std::function<void(const char*, qint64)>& sink) const {
    if (!d->files.contains(entry))
        throw Error(QStringLiteral("the pack holds no file %1").arg(entry));
    readEntry(d->z.get(), d->index.value(entry), entry, d->files.value(entry), sink);
}

static Content wholePack(const PackReader& reader) {
    Content content;
    content.rows = reader.rows();
    for (auto it = reader.files().begin(); it != reader.files().end(); ++it) {
        QByteArray data;
        data.reserve(static_cast<qsizetype>(it.value()));
        reader.read(it.key(), [&](const char* p, qint64 n) { data.append(p, static_cast<qsizetype>(n)); });
        content.files.insert(it.key(), data);
    }
    return content;
}

Content readPack(const QString& path, const Limits& limits) { return wholePack(PackReader(path, limits)); }

Content readPack(const QByteArray& bytes, const Limits& limits) { return wholePack(PackReader(bytes, limits)); }

namespace {

// A pack being written: libzip writes beside `path` and renames on close. A file entry is read from its file
// as the archive is written, in chunks, so packing large pictures holds none of them whole.
class PackWriter {
public:
    explicit PackWriter(const QString& path) : path_(path) {
        int code = 0;
        const QByteArray file = QFile::encodeName(path);
        z_.reset(zip_open(file.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
        if (!z_) {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            const QString why = zipText(&error);
            zip_error_fini(&error);
            throw Error(QStringLiteral("cannot write %1: %2").arg(path, why));
        }
    }

    // The manifest and one entry per row, in order.
    void addRows(const QList<CatalogueRow>& rows) {
        QStringList rowEntries;
        QMap<int, int> perType;
        for (const CatalogueRow& row : rows)
            rowEntries << QStringLiteral("experiments/") + cataloguesource::exportName(row.cpuType, perType[row.cpuType]++);
        addBytes(QString::fromLatin1(ManifestEntry), formatManifest(rowEntries));
        for (int i = 0; i < rows.size(); ++i)
            addBytes(rowEntries[i], cataloguesource::formatRow(rows[i]));
    }

    void addBytes(const QString& name, const QByteArray& bytes) {
        // libzip reads the buffers when it closes the archive, so they live here until then.
        keep_ << bytes;
        add(name, zip_source_buffer(z_.get(), keep_.last().constData(), static_cast<zip_uint64_t>(bytes.size()), 0));
    }

    void addFile(const QString& name, const QString& file) {
        // Opened here so that an unreadable file is named as such, before anything is written.
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("cannot read %1: %2").arg(file, f.errorString()));
        f.close();
        add(name, zip_source_file(z_.get(), QFile::encodeName(file).constData(), 0, -1));
    }

    void close() {
        if (zip_close(z_.get()) != 0)
            throw Error(QStringLiteral("cannot write %1: %2").arg(path_, QString::fromUtf8(zip_strerror(z_.get()))));
        z_.release();
    }

private:
    void add(const QString& rawName, zip_source_t* source) {
        const QString name = checkedEntryName(rawName);
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t index = source ? zip_file_add(z_.get(), utf8.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            throw Error(QStringLiteral("cannot write %1: %2").arg(path_, QString::fromUtf8(zip_strerror(z_.get()))));
        }
        // Plain files with ordinary permissions, so that unpacking tools make nothing else of them.
        zip_file_set_external_attributes(z_.get(), static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(S_IFREG | 0644) << 16);
        if (compressedAlready(name))
            zip_set_file_compression(z_.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }

    QString path_;
    Archive z_;
    QList<QByteArray> keep_;
};

} // namespace

void writePack(const QString& path, const Content& content) {
    PackWriter pack(path);
    pack.addRows(content.rows);
    for (auto it = content.files.begin(); it != content.files.end(); ++it)
        pack.addBytes(it.key(), it.value());
    pack.close();
}

void writePack(const QString& path, const PackSources& sources) {
    PackWriter pack(path);
    pack.addRows(sources.rows);
    for (auto it = sources.files.begin(); it != sources.files.end(); ++it)
        pack.addFile(it.key(), it.value());
    pack.close();
}

} // namespace contentpack
