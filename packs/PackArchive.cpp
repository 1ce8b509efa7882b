#include "packs/PackArchive.h"

#include "base/ErrorReport.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>
#include <zip.h>

#include <memory>

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

Content readArchive(zip_t* z, const Limits& limits) {
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0)
        throw Error(QStringLiteral("the pack is not a readable zip file"));
    if (count > limits.entries)
        throw Error(QStringLiteral("the pack holds %1 entries; at most %2 are read").arg(count).arg(limits.entries));

    QMap<QString, QByteArray> entries;
    QSet<QString> folders;
    qint64 declaredTotal = 0, actualTotal = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!rawName)
            throw Error(QStringLiteral("the pack's entry %1 has no readable name").arg(i + 1));
        const QString name = checkedEntryName(QString::fromUtf8(rawName));
        if (entries.contains(name) || folders.contains(name))
            throw Error(QStringLiteral("the pack holds the entry %1 twice").arg(name));

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z, static_cast<zip_uint64_t>(i), 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX) {
            const mode_t type = (attributes >> 16) & S_IFMT;
            if (type == S_IFLNK)
                throw Error(QStringLiteral("the entry %1 is a link; packs hold plain files only").arg(name));
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                throw Error(QStringLiteral("the entry %1 is not a plain file").arg(name));
        }

        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
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
        // The declared sizes first, so a bomb is refused before it inflates.
        if (st.size > static_cast<zip_uint64_t>(limits.entryBytes))
            throw Error(QStringLiteral("the entry %1 inflates to %2 bytes, past the limit of %3 per entry")
                            .arg(name)
                            .arg(st.size)
                            .arg(megabytes(limits.entryBytes)));
        declaredTotal += static_cast<qint64>(st.size);
        if (declaredTotal > limits.totalBytes)
            throw Error(QStringLiteral("the pack inflates past the limit of %1 in all").arg(megabytes(limits.totalBytes)));

        zip_file_t* file = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        if (!file)
            throw Error(QStringLiteral("cannot read the entry %1: %2").arg(name, QString::fromUtf8(zip_strerror(z))));
        QByteArray data;
        data.reserve(static_cast<qsizetype>(st.size));
        char buffer[65536];
        QString failure;
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
            if (n < 0) {
                failure = QStringLiteral("the entry %1 is damaged: %2").arg(name, QString::fromUtf8(zip_file_strerror(file)));
                break;
            }
            if (n == 0)
                break;
            // The declared size may lie: the bytes actually inflated are counted too.
            actualTotal += n;
            if (data.size() + n > static_cast<qsizetype>(st.size)) {
                failure = QStringLiteral("the entry %1 inflates past its declared size of %2 bytes").arg(name).arg(st.size);
                break;
            }
            if (actualTotal > limits.totalBytes) {
                failure = QStringLiteral("the pack inflates past the limit of %1 in all").arg(megabytes(limits.totalBytes));
                break;
            }
            data.append(buffer, static_cast<qsizetype>(n));
        }
        zip_fclose(file);
        if (!failure.isEmpty())
            throw Error(failure);
        if (data.size() != static_cast<qsizetype>(st.size))
            throw Error(QStringLiteral("the entry %1 is shorter than declared").arg(name));
        entries.insert(name, data);
    }

    if (!entries.contains(QLatin1String(ManifestEntry)))
        throw Error(QStringLiteral("the pack has no %1; not a labguide content pack").arg(ManifestEntry));
    const QStringList rowEntries = parseManifest(entries.take(QLatin1String(ManifestEntry)));
    Content content;
    for (const QString& entry : rowEntries) {
        if (!entries.contains(entry))
            throw Error(QStringLiteral("the manifest names %1, which the pack lacks").arg(entry));
        try {
            content.rows << cataloguesource::parseRow(entries.take(entry));
        } catch (const Error& e) {
            throw Error(QStringLiteral("%1: %2").arg(entry, e.message()));
        }
    }
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it.key().startsWith(QLatin1String("experiments/")))
            throw Error(QStringLiteral("the entry %1 is not in the manifest").arg(it.key()));
        content.files.insert(it.key(), it.value());
    }
    return content;
}

} // namespace

void writePack(const QString& path, const Content& content) {
    int code = 0;
    const QByteArray file = QFile::encodeName(path);
    Archive z(zip_open(file.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!z) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = zipText(&error);
        zip_error_fini(&error);
        throw Error(QStringLiteral("cannot write %1: %2").arg(path, why));
    }
    // libzip reads the buffers when it closes the archive, so they live here until then.
    QList<QByteArray> keep;
    auto add = [&](const QString& name, const QByteArray& bytes, bool store) {
        keep << bytes;
        zip_source_t* source = zip_source_buffer(z.get(), keep.last().constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t index = source ? zip_file_add(z.get(), utf8.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            throw Error(QStringLiteral("cannot write %1: %2").arg(path, QString::fromUtf8(zip_strerror(z.get()))));
        }
        // Plain files with ordinary permissions, so that unpacking tools make nothing else of them.
        zip_file_set_external_attributes(z.get(), static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(S_IFREG | 0644) << 16);
        if (store)
            zip_set_file_compression(z.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    };

    QStringList rowEntries;
    QMap<int, int> perType;
    for (const CatalogueRow& row : content.rows)
        rowEntries << QStringLiteral("experiments/") + cataloguesource::exportName(row.cpuType, perType[row.cpuType]++);
    add(QString::fromLatin1(ManifestEntry), formatManifest(rowEntries), false);
    for (int i = 0; i < content.rows.size(); ++i)
        add(rowEntries[i], cataloguesource::formatRow(content.rows[i]), false);
    for (auto it = content.files.begin(); it != content.files.end(); ++it)
        add(checkedEntryName(it.key()), it.value(), compressedAlready(it.key()));

    if (zip_close(z.get()) != 0)
        throw Error(QStringLiteral("cannot write %1: %2").arg(path, QString::fromUtf8(zip_strerror(z.get()))));
    z.release();
}

static Content openAndRead(zip_source_t* source, const QString& what, const Limits& limits) {
    zip_error_t error;
    zip_error_init(&error);
    Archive z(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
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
    return readArchive(z.get(), limits);
}

Content readPack(const QString& path, const Limits& limits) {
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
    return openAndRead(source, path, limits);
}

Content readPack(const QByteArray& bytes, const Limits& limits) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    zip_error_fini(&error);
    if (!source)
        throw Error(QStringLiteral("out of memory"));
    return openAndRead(source, QStringLiteral("the pack"), limits);
}

} // namespace contentpack
