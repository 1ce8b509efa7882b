// labtool listing FILE --type 51|88|96 --html: the source as a standalone HTML page, coloured as the source view
// colours it for that experiment type.
#include "tools/Command.h"

#include "source/AsmHighlighters.h"
#include "source/HtmlListing.h"
#include "source/SourceText.h"

#include <QFileInfo>

namespace {

int runListing(const QStringList& args) {
    QString file;
    QString type;
    bool html = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--html")) {
            html = true;
        } else if (a == QLatin1String("--type")) {
            if (i + 1 >= args.size())
                throw labtool::UsageError(QStringLiteral("--type needs 51, 88 or 96"));
            type = args[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            throw labtool::UsageError(QStringLiteral("unknown option %1").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            throw labtool::UsageError(QStringLiteral("expected one FILE"));
        }
    }
    if (file.isEmpty())
        throw labtool::UsageError(QStringLiteral("expected one FILE"));
    if (!html)
        throw labtool::UsageError(QStringLiteral("the only output form is --html"));
    bool ok = false;
    const int asmType = type.toInt(&ok);
    std::unique_ptr<TSynAsmSyn> highlighter = ok ? asmhighlighters::create(asmType) : nullptr;
    if (!highlighter)
        throw labtool::UsageError(QStringLiteral("--type must be 51, 88 or 96"));
    const QByteArray bytes = sourcetext::readFile(file);
    labtool::writeOut(htmllisting::render(bytes, *highlighter, QFileInfo(file).fileName()));
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"listing",
                 "labtool listing FILE --type 51|88|96 --html\n"
                 "  writes the source to standard output as a standalone HTML page, coloured as the source\n"
                 "  view colours it for that experiment type",
                 false, &runListing});
