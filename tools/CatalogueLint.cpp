#include "tools/CatalogueLint.h"

#include "base/Gbk.h"
#include "base/ContentFolder.h"
#include "engine/FieldCapacity.h"
#include "engine/linksheet.h"

#include <QSet>

QString typeProblem(const CatalogueRow& r) {
    return r.cpuType < 1 || r.cpuType > 4 ? QStringLiteral("unknown type %1").arg(r.cpuType) : QString();
}

QStringList capacityProblems(const CatalogueRow& r) {
    QStringList problems;
    for (const cataloguesource::FieldCapacity& c : cataloguesource::fieldCapacities()) {
        const int n = cataloguesource::gbkBytes(r.*c.field);
        if (n > c.bytes)
            problems << QStringLiteral("%1 is %2 bytes; only the first %3 are used").arg(QString::fromUtf8(c.column)).arg(n).arg(c.bytes);
    }
    return problems;
}

QStringList lintCatalogue(const QList<CatalogueRow>& rows, const QString& programDir, const QString& workingDir) {
    QStringList problems;
    QSet<QPair<int, QString>> seen;
    for (const CatalogueRow& r : rows) {
        const QString who = QStringLiteral("[%1] %2: ").arg(cataloguesource::typeName(r.cpuType), r.name);
        auto problem = [&](const QString& text) { problems << who + text; };

        if (const QString t = typeProblem(r); !t.isEmpty())
            problem(t);
        if (seen.contains({r.cpuType, r.name}))
            problem(QStringLiteral("the name is used twice in this type"));
        seen.insert({r.cpuType, r.name});
        for (const QString& p : capacityProblems(r))
            problem(p);

        const QByteArray wiring = gbk::encode(r.wiring).left(255);
        const QList<QByteArray> steps = parseWiringSteps(wiring);
        if (steps.isEmpty())
            problem(QStringLiteral("the wiring text gives no steps"));
        for (int i = 0; i < steps.size(); ++i) {
            if (steps[i].isEmpty())
                problem(QStringLiteral("step %1 is empty").arg(i + 1));
            else if (!steps[i].contains('>'))
                problem(QStringLiteral("step %1 (%2) has no \">\"").arg(i + 1).arg(QString::fromLatin1(steps[i])));
        }
        for (const QString& line : lintBoardTerminals(r.cpuType, steps))
            problem(line);

        const QString folder = cataloguesource::sourceFolder(r.cpuType);
        if (!folder.isEmpty()) {
            if (r.program.isEmpty())
                problem(QStringLiteral("no source file named"));
            else if (contentfolder::find(folder + r.program, workingDir, programDir).isEmpty())
                problem(QStringLiteral("source %1%2 is missing").arg(folder, r.program));
        }
        const std::pair<const char*, QString> pictures[] = {{"circuit", r.circuit}, {"flow chart", r.flowChart}};
        for (const auto& [what, name] : pictures) {
            if (name.isEmpty())
                problem(QStringLiteral("no %1 picture named").arg(QString::fromLatin1(what)));
            else if (contentfolder::find("pic/" + name, workingDir, programDir).isEmpty())
                problem(QStringLiteral("%1 picture pic/%2 is missing").arg(QString::fromLatin1(what), name));
        }
    }
    return problems;
}
