// labtool catalogue: import, export, list and lint the experiment catalogue.
#include "tools/Arguments.h"
#include "tools/CatalogueLint.h"
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "engine/Catalogue.h"
#include "engine/CatalogueSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using namespace cataloguesource;

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    return f.readAll();
}

QString takeOption(QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return {};
    if (i + 1 >= args.size())
        throw labtool::UsageError(QStringLiteral("%1 needs a value").arg(name));
    const QString v = args[i + 1];
    args.remove(i, 2);
    return v;
}

void expectArgs(const QStringList& args, int n) {
    for (const QString& a : args)
        if (a.startsWith("--"))
            throw labtool::UsageError(QStringLiteral("unknown option %1").arg(a));
    if (args.size() != n)
        throw labtool::UsageError(QStringLiteral("expected %1 argument(s)").arg(n));
}

// The catalogue's rows; a catalogue labguide holds is said so plainly.
QList<CatalogueRow> readHeld(const QString& db, const QString& password) {
    try {
        return readCatalogue(db, password.isEmpty() ? DefaultPassword : password);
    } catch (const CatalogueInUse&) {
        throw Error(labtool::catalogueInUseText(db));
    }
}

int runImport(QStringList args) {
    const QString password = takeOption(args, "--password");
    expectArgs(args, 2);
    const QString source = args[0], out = args[1];
    if (!QFileInfo(source).isDir())
        throw labtool::UsageError(QStringLiteral("%1 is not a folder").arg(source));
    const QStringList files = sourceFiles(source);
    if (files.isEmpty())
        throw labtool::UsageError(QStringLiteral("%1 holds no experiment files (*.json)").arg(source));
    QList<CatalogueRow> rows;
    QByteArray warnings;
    for (const QString& f : files) {
        const QString path = QDir(source).filePath(f);
        try {
            rows << parseRow(readFile(path));
        } catch (const Error& e) {
            throw Error(QStringLiteral("%1: %2").arg(path, e.message()));
        }
        // What lint would report of the row itself: the program shows a cut text or no such type.
        QStringList problems = capacityProblems(rows.last());
        if (const QString t = typeProblem(rows.last()); !t.isEmpty())
            problems.prepend(t);
        for (const QString& p : problems)
            warnings += QStringLiteral("labtool catalogue import: warning: %1: %2\n").arg(path, p).toUtf8();
    }
    writeCatalogue(out, rows, password.isEmpty() ? DefaultPassword : password);
    labtool::writeErr(warnings);
    labtool::writeErr(QStringLiteral("%1 experiments written to %2\n").arg(rows.size()).arg(out).toUtf8());
    return labtool::Ok;
}

int runExport(QStringList args) {
    const QString password = takeOption(args, "--password");
    expectArgs(args, 2);
    const QString db = args[0], outDir = args[1];
    QDir dir(outDir);
    if (dir.exists() && !dir.isEmpty())
        throw labtool::UsageError(QStringLiteral("%1 is not empty").arg(outDir));
    const QList<CatalogueRow> rows = readHeld(db, password);
    QMap<int, int> perType;
    for (const CatalogueRow& r : rows) {
        const QString path = outDir + "/" + exportName(r.cpuType, perType[r.cpuType]++);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(formatRow(r)) < 0)
            throw Error(QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
    }
    labtool::writeErr(QStringLiteral("%1 experiments written to %2\n").arg(rows.size()).arg(outDir).toUtf8());
    return labtool::Ok;
}

int runList(QStringList args) {
    const QString password = takeOption(args, "--password");
    const bool typed = args.contains("--type");
    const QString type = takeOption(args, "--type");
    expectArgs(args, 1);
    const int wanted = typed ? labtool::cpuTypeArgument(type) : -1;
    QByteArray out;
    for (const CatalogueRow& r : readHeld(args[0], password))
        if (wanted < 0 || r.cpuType == wanted)
            out += QByteArray::number(r.cpuType) + '\t' + r.name.toUtf8() + '\n';
    labtool::writeOut(out);
    return labtool::Ok;
}

int runLint(QStringList args) {
    const QString password = takeOption(args, "--password");
    QString programDir = takeOption(args, "--program-dir");
    expectArgs(args, 1);
    if (programDir.isEmpty())
        programDir = QCoreApplication::applicationDirPath();
    const QList<CatalogueRow> rows = readHeld(args[0], password);
    const QStringList problems = lintCatalogue(rows, programDir, QFileInfo(args[0]).absolutePath());
    QByteArray out;
    for (const QString& p : problems)
        out += p.toUtf8() + '\n';
    labtool::writeOut(out);
    return problems.isEmpty() ? labtool::Ok : labtool::Problems;
}

int runCatalogue(const QStringList& all) {
    if (all.isEmpty())
        throw labtool::UsageError(QStringLiteral("missing subcommand"));
    QStringList args = all.mid(1);
    const QString sub = all[0];
    if (sub == "import")
        return runImport(args);
    if (sub == "export")
        return runExport(args);
    if (sub == "list")
        return runList(args);
    if (sub == "lint")
        return runLint(args);
    throw labtool::UsageError(QStringLiteral("unknown subcommand %1").arg(sub));
}

} // namespace

LABTOOL_COMMAND({"catalogue",
                 "labtool catalogue import SOURCE_DIR OUT.mdb [--password KEY]\n"
                 "       labtool catalogue export CATALOGUE.mdb OUT_DIR [--password KEY]\n"
                 "       labtool catalogue list CATALOGUE.mdb [--type TYPE] [--password KEY]\n"
                 "       labtool catalogue lint CATALOGUE.mdb [--program-dir DIR] [--password KEY]\n"
                 "  import: builds the encrypted catalogue from one JSON file per experiment (sorted by path);\n"
                 "          warns on standard error about unknown types and texts too long for their field\n"
                 "          (\"labtool catalogue import: warning: FILE: TEXT\"); a JSON error names its line and\n"
                 "          column.\n"
                 "  export: writes every experiment back as TYPE/NNN.json (a round trip changes nothing).\n"
                 "  list:   prints TYPE<tab>NAME per experiment, in catalogue order (TYPE as the number 1 to 4);\n"
                 "          --type TYPE (51, 88, 96, PCI, or 1 to 4) keeps one type.\n"
                 "  lint:   reports wiring steps without \">\", empty steps, unknown terminals, texts too long\n"
                 "          for their field, and sources and pictures missing both under the catalogue's folder\n"
                 "          (its asm/ and pic/, looked up first) and under DIR/asm and DIR/pic (DIR defaults to\n"
                 "          labtool's own folder); exit 1 when it finds problems. Each line is\n"
                 "          \"[TYPE] NAME: what is wrong\"; after \"board B lacks terminals X, Y\" a line\n"
                 "          \"board B has no terminal X[ (the hint of Z)]; did you mean Z?\" follows for each\n"
                 "          unknown name that resembles a terminal of B.",
                 false, [](const QStringList& a) { return runCatalogue(a); }});
