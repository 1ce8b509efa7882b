// labtool listing FILE --type TYPE --html: the source as a standalone HTML page, coloured as the source view
// colours it for that experiment type.
#include "tools/Arguments.h"
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
    if (type.isEmpty())
        throw labtool::UsageError(QStringLiteral("--type needs 51, 88 or 96"));
    // The types with a source folder and a highlighter; PCI experiments have no source.
    static const int kAsmTypes[] = {0, 51, 88, 96, 0};
    const int asmType = kAsmTypes[labtool::cpuTypeArgument(type)];
    std::unique_ptr<TSynAsmSyn> highlighter = asmhighlighters::create(asmType);
    if (!highlighter)
        throw labtool::UsageError(QStringLiteral("PCI experiments have no source; --type must be 51, 88 or 96"));
    const QByteArray bytes = sourcetext::readFile(file);
    labtool::writeOut(htmllisting::render(bytes, *highlighter, QFileInfo(file).fileName()));
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"listing",
                 "labtool listing FILE --type 51|88|96 --html\n"
                 "  writes the source to standard output as a standalone HTML page, coloured as the source\n"
                 "  view colours it for that experiment type (also 1, 2 or 3). The file is read as GBK unless\n"
                 "  it starts with a UTF-8 byte-order mark or is clearly UTF-8 (see the README).",
                 false, &runListing});
