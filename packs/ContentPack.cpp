#include "packs/ContentPack.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/ReplaceFile.h"
#include "boards/BoardLayout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace contentpack {

const char* const FormatName = "labguide-pack";
const char* const ManifestEntry = "manifest.json";

QStringList namedFiles(const CatalogueRow& row) {
    QStringList names;
    const QString folder = cataloguesource::sourceFolder(row.cpuType);
    if (!folder.isEmpty() && !row.program.isEmpty())
        names << folder + row.program;
    for (const QString& picture : {row.circuit, row.flowChart})
        if (!picture.isEmpty())
            names << QStringLiteral("pic/") + picture;
    for (QString& n : names)
        n.replace('\\', '/');
    return names;
}

QString checkedEntryName(const QString& raw) {
    QString name = raw;
    name.replace('\\', '/');
    auto bad = [&](const char* why) {
        throw Error(QStringLiteral("the entry \"%1\" %2").arg(raw, QString::fromLatin1(why)));
    };
    if (name.isEmpty())
        bad("has no name");
    if (name.startsWith('/') || (name.size() >= 2 && name[1] == ':' && name[0].isLetter()))
        bad("is an absolute path");
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            bad("holds a control character");
    QStringList parts = name.split('/');
    if (name.endsWith('/'))
        parts.removeLast(); // a folder entry
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            bad("leaves its folder (\"..\")");
        if (part.isEmpty() || part == QLatin1String("."))
            bad("has an empty or \".\" part");
        // A pack must not name the files a merge writes beside their targets.
        if (part.startsWith(replacefile::ScratchPrefix, Qt::CaseInsensitive) ||
            part.startsWith(QLatin1String(".labpack-"), Qt::CaseInsensitive))
            bad("has a name reserved for the program's scratch files");
    }
    return name;
}

QStringList unnamedFiles(const QList<CatalogueRow>& rows, const QStringList& files) {
    QSet<QString> named;
    for (const QString& p : boards::referencePictures())
        named.insert(p.toLower());
    for (const CatalogueRow& row : rows)
        for (const QString& n : namedFiles(row))
            named.insert(n.toLower());
    QStringList unnamed;
    for (const QString& f : files)
        if (!named.contains(f.toLower()))
            unnamed << f;
    return unnamed;
}

PackSources locate(const QList<CatalogueRow>& rows, const QString& workingFolder, const QString& programFolder,
                   QStringList* missing) {
    PackSources sources;
    sources.rows = rows;
    for (const CatalogueRow& row : rows) {
        for (const QString& name : namedFiles(row)) {
            const QString entry = checkedEntryName(name);
            if (sources.files.contains(entry))
                continue;
            const QString file = contentfolder::find(entry, workingFolder, programFolder);
            if (file.isEmpty()) {
                if (missing)
                    *missing << QStringLiteral("[%1] %2: %3").arg(cataloguesource::typeName(row.cpuType), row.name, entry);
                continue;
            }
            sources.files.insert(entry, file);
        }
    }
    return sources;
}

Content collect(const QList<CatalogueRow>& rows, const QString& workingFolder, const QString& programFolder,
                QStringList* missing) {
    const PackSources sources = locate(rows, workingFolder, programFolder, missing);
    Content content;
    content.rows = sources.rows;
    for (auto it = sources.files.begin(); it != sources.files.end(); ++it) {
        QFile f(it.value());
        if (!f.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("cannot read %1: %2").arg(it.value(), f.errorString()));
        content.files.insert(it.key(), f.readAll());
    }
    return content;
}

QByteArray formatManifest(const QStringList& rowEntries) {
    QJsonObject o;
    o.insert(QStringLiteral("format"), QString::fromLatin1(FormatName));
    o.insert(QStringLiteral("version"), FormatVersion);
    o.insert(QStringLiteral("experiments"), QJsonArray::fromStringList(rowEntries));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QStringList parseManifest(const QByteArray& json) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        throw Error(QStringLiteral("the manifest is not a JSON object"));
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        throw Error(QStringLiteral("not a labguide content pack (the manifest's format is not \"%1\")").arg(FormatName));
    const QJsonValue version = o.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != double(version.toInt()) || version.toInt() < 1)
        throw Error(QStringLiteral("the manifest's version is not a whole number from 1"));
    if (version.toInt() > FormatVersion)
        throw Error(QStringLiteral("the pack has format version %1, newer than this program reads (%2); "
                                   "update labguide to unpack it")
                        .arg(version.toInt())
                        .arg(FormatVersion));
    const QJsonValue list = o.value(QStringLiteral("experiments"));
    if (!list.isArray())
        throw Error(QStringLiteral("the manifest lists no experiments"));
    QStringList entries;
    QSet<QString> seen;
    for (const QJsonValue v : list.toArray()) {
        if (!v.isString())
            throw Error(QStringLiteral("the manifest's experiments must be entry names"));
        const QString entry = checkedEntryName(v.toString());
        if (!entry.startsWith(QLatin1String("experiments/")) || !entry.endsWith(QLatin1String(".json")))
            throw Error(QStringLiteral("the manifest names %1, which is not an experiments/*.json entry").arg(entry));
        if (seen.contains(entry))
            throw Error(QStringLiteral("the manifest names %1 twice").arg(entry));
        seen.insert(entry);
        entries << entry;
    }
    return entries;
}

} // namespace contentpack
