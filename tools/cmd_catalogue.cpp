// labtool catalogue: import, export, list and lint the experiment catalogue.
#include "tools/Command.h"
#include "tools/CatalogueLint.h"

#include "base/ErrorReport.h"
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
    for (const QString& f : files) {
        try {
            rows << parseRow(readFile(source + "/" + f));
        } catch (const Error& e) {
            throw Error(QStringLiteral("%1: %2").arg(QDir(source).filePath(f), e.message()));
        }
    }
    writeCatalogue(out, rows, password.isEmpty() ? DefaultPassword : password);
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
    const QList<CatalogueRow> rows = readCatalogue(db, password.isEmpty() ? DefaultPassword : password);
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
    const QString type = takeOption(args, "--type");
    expectArgs(args, 1);
    bool ok = true;
    const int wanted = type.isEmpty() ? -1 : type.toInt(&ok);
    if (!ok)
        throw labtool::UsageError(QStringLiteral("--type takes a number (1 51, 2 88, 3 96, 4 PCI)"));
    QByteArray out;
    for (const CatalogueRow& r : readCatalogue(args[0], password.isEmpty() ? DefaultPassword : password))
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
    const QList<CatalogueRow> rows = readCatalogue(args[0], password.isEmpty() ? DefaultPassword : password);
    const QStringList problems = lintCatalogue(rows, programDir);
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
                 "       labtool catalogue list CATALOGUE.mdb [--type N] [--password KEY]\n"
                 "       labtool catalogue lint CATALOGUE.mdb [--program-dir DIR] [--password KEY]\n"
                 "  import: builds the encrypted catalogue from one JSON file per experiment (sorted by path).\n"
                 "  export: writes every experiment back as TYPE/NNN.json (a round trip changes nothing).\n"
                 "  list:   prints TYPE<tab>NAME per experiment, in catalogue order.\n"
                 "  lint:   reports wiring steps without \">\", empty steps, unknown terminals, texts too long\n"
                 "          for their field, and sources and pictures missing under DIR/asm and DIR/pic\n"
                 "          (DIR defaults to labtool's own folder); exit 1 when it finds problems.",
                 false, [](const QStringList& a) { return runCatalogue(a); }});
