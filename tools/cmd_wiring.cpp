// labtool wiring: the steps a wiring text gives, read as raw (GBK) bytes from standard input.
#include "tools/Command.h"

#include "engine/linksheet.h"

namespace {

QByteArray jsonString(const QByteArray& s) {
    QByteArray out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
            out += '\\';
        if (c < 0x20)
            out += "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += ch;
    }
    return out + '"';
}

int runWiring(const QStringList& args) {
    if (!args.isEmpty())
        throw labtool::UsageError(QStringLiteral("no arguments expected"));
    const QByteArray text = labtool::readAllStdin();
    const QList<QByteArray> steps = parseWiringSteps(text);
    QByteArray out = "{\"steps\": [";
    for (qsizetype i = 0; i < steps.size(); ++i)
        out += (i ? ", " : "") + jsonString(steps[i]);
    out += "], \"lastStep\": " + QByteArray::number(steps.size() - 1) + "}\n";
    labtool::writeOut(out);
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"wiring",
                 "labtool wiring < TEXT\n"
                 "  Reads a wiring text as raw bytes (GBK) from standard input and prints its steps as JSON:\n"
                 "  {\"steps\": [\"A1>B2\", \"C3>D4\"], \"lastStep\": 1}",
                 false, &runWiring});
