// labtool pack / unpack: content packs, the experiments of one working folder carried to another.
#include "tools/Arguments.h"
#include "tools/CatalogueLint.h"
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "packs/PackArchive.h"
#include "packs/PackMerge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

using namespace contentpack;

// Options with a value ("--type 51"), flags, and the plain arguments in order.
struct Parsed {
    QMultiMap<QString, QString> values;
    QStringList flags;
    QStringList plain;
};

Parsed parse(const QStringList& args, const QStringList& withValue, const QStringList& flags) {
    Parsed p;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (withValue.contains(a)) {
            if (i + 1 >= args.size())
                throw labtool::UsageError(QStringLiteral("%1 needs a value").arg(a));
            p.values.insert(a, args[++i]);
        } else if (flags.contains(a)) {
            p.flags << a;
        } else if (a.startsWith('-') && a.size() > 1) {
            throw labtool::UsageError(QStringLiteral("unknown option %1").arg(a));
        } else {
            p.plain << a;
        }
    }
    for (const QString& option : withValue)
        if (option != QLatin1String("--name") && p.values.count(option) > 1)
            throw labtool::UsageError(QStringLiteral("%1 is given twice").arg(option));
    return p;
}

QString programDir(const Parsed& p) {
    const QString dir = p.values.value(QStringLiteral("--program-dir"));
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

int runPack(const QStringList& args) {
    const Parsed p = parse(args, {"--type", "--name", "--program-dir", "-o"}, {});
    if (p.plain.size() != 1)
        throw labtool::UsageError(QStringLiteral("expected one CATALOGUE.mdb"));
    const QString out = p.values.value(QStringLiteral("-o"));
    if (out.isEmpty())
        throw labtool::UsageError(QStringLiteral("-o FILE.labpack is needed"));
    const QString catalogue = p.plain[0];
    const int type = p.values.contains("--type") ? labtool::cpuTypeArgument(p.values.value("--type")) : -1;
    const QStringList names = p.values.values(QStringLiteral("--name"));

    QList<CatalogueRow> rows;
    QSet<QString> found;
    QList<CatalogueRow> all;
    try {
        all = cataloguesource::readCatalogue(catalogue);
    } catch (const CatalogueInUse&) {
        throw Error(labtool::catalogueInUseText(catalogue));
    }
    for (const CatalogueRow& r : all) {
        if ((type < 0 || r.cpuType == type) && (names.isEmpty() || names.contains(r.name))) {
            rows << r;
            found.insert(r.name);
        }
    }
    for (const QString& n : names)
        if (!found.contains(n))
            throw labtool::UsageError(type < 0 ? QStringLiteral("no experiment named %1").arg(n)
                                               : QStringLiteral("no experiment named %1 of type %2").arg(n, cataloguesource::typeName(type)));
    if (rows.isEmpty())
        throw labtool::UsageError(QStringLiteral("no experiment to pack"));

    QStringList missing;
    // Each file is streamed into the zip from where it was found: large pictures are never held whole.
    const PackSources content = locate(rows, QFileInfo(catalogue).absolutePath(), programDir(p), &missing);
    writePack(out, content);
    QByteArray err;
    for (const QString& m : missing)
        err += QStringLiteral("labtool pack: warning: %1 is missing; not packed\n").arg(m).toUtf8();
    err += QStringLiteral("%1 experiments and %2 files written to %3\n").arg(content.rows.size()).arg(content.files.size()).arg(out).toUtf8();
    labtool::writeErr(err);
    return labtool::Ok;
}

int runUnpack(const QStringList& args) {
    const Parsed p = parse(args, {"--into", "--program-dir"}, {"--replace", "--skip"});
    if (p.plain.size() != 1)
        throw labtool::UsageError(QStringLiteral("expected one FILE.labpack"));
    if (p.flags.contains("--replace") && p.flags.contains("--skip"))
        throw labtool::UsageError(QStringLiteral("--replace and --skip exclude each other"));
    const Conflicts mode = p.flags.contains("--replace") ? Conflicts::Replace
                           : p.flags.contains("--skip")  ? Conflicts::Skip
                                                         : Conflicts::Refuse;
    const QString work = p.values.contains("--into") ? p.values.value("--into") : QDir::currentPath();

    // The pack is checked whole first; its files are then streamed into the folder, never held in memory.
    const PackReader pack(p.plain[0]);
    MergeResult result;
    try {
        result = mergePack(pack, work, mode);
    } catch (const CatalogueInUse&) {
        throw Error(labtool::catalogueInUseText(QLatin1String(CatalogueFile)));
    } catch (const ConflictError& e) {
        throw Error(QStringLiteral("%1 conflict(s) with the working folder %2; nothing written; choose --replace (the "
                                   "pack wins) or --skip (keep the working folder's):\n  %3")
                        .arg(e.conflicts.size())
                        .arg(QDir::toNativeSeparators(e.folder), e.conflicts.join(QStringLiteral("\n  "))));
    }

    QByteArray err;
    for (const QString& c : result.conflicts)
        err += QStringLiteral("labtool unpack: conflict, %1: %2\n")
                   .arg(mode == Conflicts::Replace ? QStringLiteral("replaced") : QStringLiteral("kept"), c)
                   .toUtf8();
    // The merged catalogue is checked as a whole (names used twice), and the pack's experiments reported.
    QSet<QString> prefixes;
    for (const auto& [type, name] : result.packKeys)
        prefixes.insert(QStringLiteral("[%1] %2: ").arg(cataloguesource::typeName(type), name));
    for (const QString& line : lintCatalogue(result.catalogue, programDir(p), QFileInfo(work).absoluteFilePath())) {
        for (const QString& prefix : prefixes) {
            if (line.startsWith(prefix)) {
                err += "labtool unpack: warning: " + line.toUtf8() + '\n';
                break;
            }
        }
    }
    err += QStringLiteral("%1 experiments added, %2 replaced, %3 kept, %4 unchanged; %5 files written to %6\n")
               .arg(result.added)
               .arg(result.replaced)
               .arg(result.kept)
               .arg(result.unchanged)
               .arg(result.filesWritten)
               .arg(work)
               .toUtf8();
    labtool::writeErr(err);
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"pack",
                 "labtool pack CATALOGUE.mdb [--type TYPE] [--name NAME]... [--program-dir DIR] -o FILE.labpack\n"
                 "  writes a content pack: one zip file with manifest.json (format \"labguide-pack\", version 1),\n"
                 "  the experiments as experiments/TYPE/NNN.json (the form of catalogue export), and the sources\n"
                 "  and pictures they name as asm/51|88|96/... and pic/.... --type (51, 88, 96, PCI, or 1 to 4)\n"
                 "  and --name (repeatable) choose experiments; all are packed without them. Files are looked up\n"
                 "  in the catalogue's folder (asm/, pic/) first, then in DIR (default: labtool's own folder);\n"
                 "  a missing one is a warning on standard error (\"labtool pack: warning: [TYPE] NAME: FILE is\n"
                 "  missing; not packed\"). Exit 2 for an unknown name or type or an unreadable catalogue.",
                 false, &runPack});

LABTOOL_COMMAND({"unpack",
                 "labtool unpack FILE.labpack [--into WORKDIR] [--replace | --skip] [--program-dir DIR]\n"
                 "  merges a content pack into WORKDIR (default: the current folder): its QK740X.mdb (made when\n"
                 "  missing) by type and name, and its asm/ and pic/. An experiment of the same type and name, or\n"
                 "  a file of the same name with other content, is a conflict: without --replace (the pack wins)\n"
                 "  or --skip (the working folder's stay) conflicts are an error and nothing is written\n"
                 "  (\"labtool unpack: N conflict(s) with the working folder WORKDIR; nothing written; choose\n"
                 "  --replace (the pack wins) or --skip (keep the working folder's):\", one conflict a line). The\n"
                 "  catalogue is replaced in one rename after the files are in place; a failure undoes the files.\n"
                 "  A catalogue that labguide has open is refused. Afterwards the pack's experiments are linted\n"
                 "  (sources and pictures looked up in WORKDIR, then in DIR) and problems listed as warnings.\n"
                 "  Standard error: \"labtool unpack: conflict, replaced|kept: experiment [TYPE] NAME\" or\n"
                 "  \"...: file PATH\", \"labtool unpack: warning: [TYPE] NAME: what is wrong\", then\n"
                 "  \"A experiments added, R replaced, K kept, U unchanged; F files written to WORKDIR\".\n"
                 "  Experiments and files the working folder already holds exactly as the pack does are no\n"
                 "  conflict and are left alone.\n"
                 "  A replaced catalogue is kept as QK740X.mdb.bak.\n"
                 "  Refused with exit 2, nothing written: a damaged zip; an entry inflating past 64 MB, or all\n"
                 "  entries past 512 MB, the manifest and experiments past 16 MB (declared sizes are checked\n"
                 "  before anything is written, inflated bytes while writing), or more than 10000 entries;\n"
                 "  entry names with \"..\", absolute paths, links or duplicates, or a part starting with\n"
                 "  \".labguide-part-\" or \".labpack-\" (scratch names); entries outside manifest.json,\n"
                 "  experiments/, asm/51|88|96/ and pic/; files that none of the pack's experiments and no\n"
                 "  board drawing (a block's reference picture, pic/KEY.jpg) names, listed by name; a newer\n"
                 "  format version; experiments lacking columns; a catalogue in use; a working folder that\n"
                 "  cannot be written. A full disk (\"...: no space left on the device\", exit 2) also leaves\n"
                 "  the folder and its catalogue as they were.",
                 false, &runUnpack});
