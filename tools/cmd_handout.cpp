// labtool handout: the experiment handout as a PDF file, for one experiment or for every experiment a board
// offers.
#include "tools/Arguments.h"
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "boards/BoardInfo.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"
#include "handout/Handout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

QString withSlash(QString dir) { return dir.endsWith(u'/') ? dir : dir + u'/'; }

// Each problem of the handout just written, one line each on standard error; returns whether there was any.
bool warn(const QString& file, const handout::Maker& maker) {
    for (const QString& problem : maker.problems())
        labtool::writeErr(QStringLiteral("labtool handout: warning: %1: %2\n").arg(file, problem).toUtf8());
    return !maker.problems().isEmpty();
}

int makeHandouts(const QStringList& args) {
    QString catalogue, board, type, name, out, programDir;
    bool all = false, strict = false;
    auto value = [&](int& i, const QString& option) {
        if (++i == args.size())
            throw labtool::UsageError(QStringLiteral("%1 needs a value").arg(option));
        return args[i];
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--board")
            board = value(i, a);
        else if (a == u"--type")
            type = value(i, a);
        else if (a == u"--name")
            name = value(i, a);
        else if (a == u"-o")
            out = value(i, a);
        else if (a == u"--program-dir")
            programDir = value(i, a);
        else if (a == u"--all")
            all = true;
        else if (a == u"--strict")
            strict = true;
        else if (a.startsWith(u'-'))
            throw labtool::UsageError(QStringLiteral("unknown option %1").arg(a));
        else if (catalogue.isEmpty())
            catalogue = a;
        else
            throw labtool::UsageError(QStringLiteral("expected one CATALOGUE.mdb"));
    }
    if (catalogue.isEmpty())
        throw labtool::UsageError(QStringLiteral("expected one CATALOGUE.mdb"));
    if (board.isEmpty())
        throw labtool::UsageError(QStringLiteral("--board is needed (%1)").arg(QLatin1String(labtool::BoardChoices)));
    if (out.isEmpty())
        throw labtool::UsageError(QStringLiteral("-o is needed: a PDF file, or with --all a folder"));
    if (all == (!type.isEmpty() || !name.isEmpty()))
        throw labtool::UsageError(QStringLiteral("give either --type N --name NAME or --all"));
    if (!all && (type.isEmpty() || name.isEmpty()))
        throw labtool::UsageError(QStringLiteral("--type and --name go together"));
    board = labtool::boardArgument(board);
    const QList<int> offered = boards::offeredCpuTypes(board);
    if (!QFileInfo(catalogue).isFile())
        throw labtool::UsageError(QStringLiteral("no catalogue %1").arg(catalogue));
    QList<CatalogueRow> rows;
    try {
        rows = cataloguesource::readCatalogue(catalogue);
    } catch (const CatalogueInUse&) {
        throw Error(labtool::catalogueInUseText(catalogue));
    }

    QList<CatalogueRow> chosen;
    if (all) {
        for (const CatalogueRow& row : rows)
            if (offered.contains(row.cpuType))
                chosen << row;
    } else {
        const int cpuType = labtool::cpuTypeArgument(type);
        if (!offered.contains(cpuType))
            throw labtool::UsageError(
                QStringLiteral("the board %1 offers no experiments of type %2")
                    .arg(boards::boardDisplayName(board), handout::typeCaption(cpuType)));
        for (const CatalogueRow& row : rows)
            if (row.cpuType == cpuType && row.name == name) {
                chosen << row;
                break;
            }
        if (chosen.isEmpty())
            throw labtool::UsageError(QStringLiteral("the catalogue has no experiment \"%1\" of type %2")
                                          .arg(name, handout::typeCaption(cpuType)));
    }

    // Content is found as the program finds it: beside the catalogue first, then in the program folder.
    const handout::Folders folders{withSlash(QFileInfo(catalogue).absolutePath()),
                                   withSlash(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir)};
    handout::Maker maker(board, folders);
    const int problems = strict ? labtool::Problems : labtool::Ok;
    if (!all) {
        maker.writePdf(out, chosen.first());
        return warn(out, maker) ? problems : labtool::Ok;
    }
    if (!QDir().mkpath(out) || !QFileInfo(out).isDir())
        throw Error(QStringLiteral("cannot make the folder %1").arg(out));
    QSet<QString> used;
    bool warned = false;
    for (const CatalogueRow& row : chosen) {
        // Two experiments of one type and name (the catalogue allows it) get "(2)", "(3)"... after the name.
        const QString base = handout::typeCaption(row.cpuType) + u'_' + handout::fileNameFor(row.name);
        QString name = base;
        for (int n = 2; used.contains(name.toLower()); ++n)
            name = base + QStringLiteral(" (%1)").arg(n);
        used.insert(name.toLower());
        const QString file = QDir(out).filePath(name + QStringLiteral(".pdf"));
        maker.writePdf(file, row);
        labtool::writeOut(file.toUtf8() + '\n');
        warned |= warn(file, maker);
    }
    return warned ? problems : labtool::Ok;
}

int runHandout(const QStringList& args) {
    try {
        return makeHandouts(args);
    } catch (const labtool::UsageError& e) {
        // One line: the whole usage would bury the mistake (--help shows it).
        labtool::writeErr(QByteArray("labtool handout: ") + e.what() + " (see labtool handout --help)\n");
        return labtool::BadInput;
    }
}

} // namespace

LABTOOL_COMMAND({"handout",
                 "labtool handout CATALOGUE.mdb --board MODEL (--type N --name NAME | --all) -o OUT\n"
                 "        [--program-dir DIR] [--strict]\n"
                 "  writes the experiment handout as a PDF (A4, Chinese): the title block, purpose,\n"
                 "  requirements and description, the board drawing with the whole wiring numbered, the\n"
                 "  wiring table with a box to tick per step, the circuit and flow-chart pictures and the\n"
                 "  coloured source listing (none for PCI). MODEL: QK740X, QK620X, QK310X or QK310X+, QK930X;\n"
                 "  N: 51, 88, 96 or PCI (or 1..4); NAME: the experiment name as the catalogue holds it.\n"
                 "  With --all, OUT is a folder (made when missing) that gets one PDF per experiment the\n"
                 "  board offers, named TYPE_NAME.pdf (characters not allowed in file names become \"_\"; a\n"
                 "  second experiment of one type and name gets \" (2)\" and so on);\n"
                 "  each file written is printed on its own line. Sources and pictures are looked up under\n"
                 "  the catalogue's folder first, then under DIR (default: labtool's own folder). A missing\n"
                 "  or undecodable picture or source is named in its section and the rest is still made; it\n"
                 "  is also warned of on standard error, one line each:\n"
                 "    labtool handout: warning: FILE.pdf: circuit picture pic/x.jpg is missing\n"
                 "  (also \"flow chart picture ...\", \"... cannot be decoded: REASON\", \"source asm/51/x.asm\n"
                 "  is missing\", \"source ... cannot be read: REASON\"). Exit 0 even so, unless --strict is\n"
                 "  given: then exit 1 when any handout had a warning (every file is still written).\n"
                 "  Exit 2 for a usage error (one line on standard error), an unknown board, type or name,\n"
                 "  or an output that cannot be written; a file is written beside its target and renamed,\n"
                 "  so no partial file is left.",
                 true, &runHandout});
