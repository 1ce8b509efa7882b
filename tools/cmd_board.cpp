// labtool board: the components of a board drawing after the form's creation, in stored order.
#include "tools/Arguments.h"
#include "tools/BoardTerminals.h"
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>

using namespace labtool;

namespace {

QByteArray jsonText(const QString& s) {
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2); // the value without the array's brackets
}
QByteArray jsonTextOrNull(bool present, const QString& s) { return present ? jsonText(s) : QByteArray("null"); }

QByteArray kindName(boards::ComponentKind k) {
    switch (k) {
    case boards::ComponentKind::LinkLayer: return "linklayer";
    case boards::ComponentKind::Block: return "block";
    case boards::ComponentKind::Terminal: return "terminal";
    case boards::ComponentKind::Label: return "label";
    case boards::ComponentKind::Widget: return "widget";
    }
    return "?";
}

QByteArray componentJson(const BoardForm& form, int index) {
    using boards::ComponentKind;
    const boards::Component& c = form.components()[index];
    const bool hasCaption = c.kind == ComponentKind::Block || c.kind == ComponentKind::Label ||
                            (c.kind == ComponentKind::Widget && !c.caption.isEmpty());
    const bool terminal = c.kind == ComponentKind::Terminal;
    QByteArray out = "{";
    out += "\"name\": " + jsonText(c.name);
    out += ", \"kind\": \"" + kindName(c.kind) + "\"";
    out += ", \"class\": " + jsonText(boards::componentClass(c));
    out += ", \"left\": " + QByteArray::number(c.rect.left());
    out += ", \"top\": " + QByteArray::number(c.rect.top());
    out += ", \"width\": " + QByteArray::number(c.rect.width());
    out += ", \"height\": " + QByteArray::number(c.rect.height());
    out += ", \"hint\": " + jsonTextOrNull(c.hasHint, c.hint);
    out += ", \"caption\": " + jsonTextOrNull(hasCaption, c.caption);
    out += ", \"blockKey\": " + jsonTextOrNull(form.clickWired(index), boards::blockKey(c.name));
    out += ", \"brush\": " +
           (terminal && c.brush.isValid() ? jsonText(c.brush.name(QColor::HexRgb)) : QByteArray("null"));
    out += ", \"frame\": " +
           (c.kind == ComponentKind::Widget ? QByteArray(c.frame ? "true" : "false") : QByteArray("null"));
    out += "}";
    return out;
}

QByteArray componentLine(const BoardForm& form, int index) {
    const boards::Component& c = form.components()[index];
    return kindName(c.kind) + "\t" + c.name.toUtf8() + "\t" + QByteArray::number(c.rect.left()) + "," +
           QByteArray::number(c.rect.top()) + " " + QByteArray::number(c.rect.width()) + "x" +
           QByteArray::number(c.rect.height()) + (c.hasHint ? "\t" + c.hint.toUtf8() : QByteArray()) + "\n";
}

QByteArray terminalLines(const QString& board) {
    QByteArray out;
    for (const TerminalInfo& t : boardTerminals(board))
        out += (t.name + '\t' + t.hint + '\t' + t.blockCaption + '\t').toUtf8() + t.kind + '\n';
    return out;
}

int runBoard(const QStringList& args) {
    QString name, png, step;
    bool json = false, terminals = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json")
            json = true;
        else if (a == u"--terminals")
            terminals = true;
        else if (a == u"--png") {
            if (++i == args.size())
                throw UsageError(QStringLiteral("--png needs a file name"));
            png = args[i];
        } else if (a == u"--step") {
            if (++i == args.size())
                throw UsageError(QStringLiteral("--step needs a wiring step such as JK0>JK8"));
            step = args[i];
        }
        else if (a.startsWith(u'-'))
            throw UsageError(QStringLiteral("unknown option %1").arg(a));
        else if (name.isEmpty())
            name = a;
        else
            throw UsageError(QStringLiteral("one board name only"));
    }
    if (name.isEmpty())
        throw UsageError(QStringLiteral("which board? (%1)").arg(QLatin1String(BoardChoices)));
    const QString board = boardArgument(name);
    if (terminals) {
        if (json || !png.isEmpty() || !step.isEmpty())
            throw UsageError(QStringLiteral("--terminals goes alone"));
        writeOut(terminalLines(board));
        return Ok;
    }
    std::unique_ptr<BoardForm> form(boards::createBoardForm(board));
    bool drawn = true;
    if (!step.isEmpty())
        drawn = DrawWiringStep(step.toLatin1(), *form, *form->boardArea());
    if (!drawn)
        writeErr("labtool board: the step " + step.toUtf8() + " names no pair of terminals of " + board.toUtf8() + "\n");
    if (!png.isEmpty()) {
        if (!form->grab().save(png, "PNG"))
            throw Error(QStringLiteral("Cannot write the picture %1").arg(png));
        if (!json)
            return drawn ? Ok : Problems;
    }
    QByteArray out;
    if (json) {
        out = "{\"board\": " + jsonText(board) + ", \"components\": [\n";
        for (int i = 0; i < form->componentCount(); ++i)
            out += "  " + componentJson(*form, i) + (i + 1 < form->componentCount() ? ",\n" : "\n");
        out += "]}\n";
    } else {
        for (int i = 0; i < form->componentCount(); ++i)
            out += componentLine(*form, i);
    }
    writeOut(out);
    return drawn ? Ok : Problems;
}

} // namespace

LABTOOL_COMMAND({"board",
                 "labtool board NAME [--json] [--png FILE [--step A>B]]\n"
                 "       labtool board NAME --terminals\n"
                 "  Lists the components of a board drawing (NAME: QK740X, QK620X, QK310X or QK310X+, QK930X,\n"
                 "  any letter case) after the form's creation, in stored order; --json prints them as\n"
                 "  {\"board\": NAME, \"components\": [{\"name\", \"kind\", \"class\", \"left\", \"top\", \"width\",\n"
                 "  \"height\", \"hint\", \"caption\", \"blockKey\", \"brush\", \"frame\"}]}\n"
                 "  --terminals prints one line per wiring terminal, in stored order (UTF-8, tab-separated):\n"
                 "    WIRING_NAME<TAB>HINT<TAB>BLOCK_CAPTION<TAB>KIND\n"
                 "  WIRING_NAME: the name a wiring text uses (upper case; any case works there);\n"
                 "  HINT: the tooltip the program shows, which may differ (FF90H shows \"FF90\");\n"
                 "  BLOCK_CAPTION: the caption of the smallest module block that holds the terminal's centre,\n"
                 "  without surrounding spaces, empty when there is none or it has no caption;\n"
                 "  KIND: circle, hbar (horizontal bar) or vbar (vertical bar).",
                 true, &runBoard});
