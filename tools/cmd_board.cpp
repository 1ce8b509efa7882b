// labtool board: the components of a board drawing after the form's creation, in stored order.
#include "tools/Arguments.h"
#include "tools/BoardTerminals.h"
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/BoardInfo.h"
#include "engine/StepPlan.h"
#include "sim/Circuit.h"
#include "sim/DeviceTypes.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>

#include <map>
#include <memory>
#include <set>

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

QByteArray directionName(sim::PinDir d) {
    switch (d) {
    case sim::PinDir::In: return "in";
    case sim::PinDir::Out: return "out";
    case sim::PinDir::InOut: return "inout";
    case sim::PinDir::Power: return "power";
    }
    return "?";
}

// The terminals the board's circuit covers, in the layout's order (TERMINAL<TAB>PINS<TAB>DIRECTION), then
// under "未覆盖:" the layout's terminals it leaves out. A connector's direction is one word when all its
// connected pins share it, else one per pin; "-" stands for a connector pin with nothing behind it.
QByteArray circuitLines(const QString& board, const sim::Circuit& circuit) {
    // The pins' directions are the devices' own: made here as the circuit file describes them.
    std::map<std::string, std::unique_ptr<sim::Device>> devices;
    for (const sim::CircuitDevice& d : circuit.devices)
        devices[d.name] = sim::deviceTypes().at(d.type)(d.name, d.params);
    auto line = [&](const std::string& name, const std::vector<sim::PinRef>& refs) {
        QByteArray pins, directions, shared;
        bool same = true;
        for (const sim::PinRef& ref : refs) {
            QByteArray direction = "-";
            if (!ref.device.empty()) {
                const sim::Device& device = *devices.at(ref.device);
                direction = directionName(device.pins()[size_t(device.pin(ref.pin))].dir);
                same = same && (shared.isEmpty() || shared == direction);
                shared = direction;
            }
            const char* comma = pins.isEmpty() ? "" : ",";
            pins += comma + (ref.device.empty() ? QByteArray("-") : QByteArray::fromStdString(ref.device + "." + ref.pin));
            directions += comma + direction;
        }
        return QByteArray::fromStdString(name) + '\t' + pins + '\t' + (same && !shared.isEmpty() ? shared : directions) + '\n';
    };
    QByteArray covered, uncovered;
    std::set<std::string> listed;
    for (const TerminalInfo& t : boardTerminals(board)) {
        const std::string name = t.name.toStdString();
        const auto it = circuit.terminals.find(name);
        if (it == circuit.terminals.end())
            uncovered += t.name.toUtf8() + '\n';
        else if (listed.insert(name).second)
            covered += line(name, it->second);
    }
    for (const auto& [name, refs] : circuit.terminals) // none should be off the drawing; shown if one is
        if (!listed.count(name))
            covered += line(name, refs);
    return covered + "未覆盖:\n" + uncovered;
}

// The form as a picture: at scale 1 as the screen shows it; otherwise drawn again at that scale, so that
// lines and text stay sharp.
QImage formPicture(BoardForm& form, double scale) {
    if (scale == 1.0)
        return form.grab().toImage();
    form.boardArea()->setCaching(false); // its cache is a bitmap of the screen's scale
    QImage image((QSizeF(form.size()) * scale).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(form.palette().color(QPalette::Window));
    form.render(&image);
    image.setDevicePixelRatio(1.0);
    return image;
}

QByteArray stepWords(int index, const QByteArray& step) {
    return QByteArray::number(index) + " (" + (step.isEmpty() ? QByteArray("empty") : step) + ")";
}

int runBoard(const QStringList& args) {
    QString name, png, step, wiring, scaleText;
    bool json = false, terminals = false, circuit = false, all = false, plain = false, hasWiring = false;
    auto value = [&](int& i, const char* what) {
        if (++i == args.size())
            throw UsageError(QString::fromUtf8(what));
        return args[i];
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json")
            json = true;
        else if (a == u"--terminals")
            terminals = true;
        else if (a == u"--circuit")
            circuit = true;
        else if (a == u"--png")
            png = value(i, "--png needs a file name");
        else if (a == u"--step")
            step = value(i, "--step needs a wiring step such as JK0>JK8, or with --wiring a step number");
        else if (a == u"--wiring") {
            wiring = value(i, "--wiring needs a wiring text such as \"K1>P10,K2>P11\"");
            hasWiring = true;
        } else if (a == u"--all")
            all = true;
        else if (a == u"--plain")
            plain = true;
        else if (a == u"--scale")
            scaleText = value(i, "--scale needs a factor such as 2 or 1.5");
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
    const bool drawingOptions =
        json || !png.isEmpty() || !step.isEmpty() || hasWiring || all || plain || !scaleText.isEmpty();
    if (terminals) {
        if (drawingOptions || circuit)
            throw UsageError(QStringLiteral("--terminals goes alone"));
        writeOut(terminalLines(board));
        return Ok;
    }
    if (circuit) {
        if (drawingOptions)
            throw UsageError(QStringLiteral("--circuit goes alone"));
        if (!sim::hasCircuit(board)) {
            writeErr("labtool board: " + board.toUtf8() + ": 本板没有电路文件\n");
            return Problems;
        }
        writeOut(circuitLines(board, sim::boardCircuit(board)));
        return Ok;
    }
    double scale = 1.0;
    if (!scaleText.isEmpty()) {
        bool ok = false;
        scale = scaleText.toDouble(&ok);
        if (!ok || !(scale >= 0.25 && scale <= 4.0))
            throw UsageError(QStringLiteral("--scale takes a factor from 0.25 to 4, not %1").arg(scaleText));
    }
    if ((hasWiring || all || plain || !scaleText.isEmpty()) && png.isEmpty())
        throw UsageError(QStringLiteral("--wiring, --all, --plain and --scale go with --png"));
    if (all && !hasWiring)
        throw UsageError(QStringLiteral("--all needs --wiring"));
    QList<QByteArray> steps;
    int stepNumber = -1;
    if (hasWiring) {
        steps = parseWiringSteps(gbk::encode(wiring));
        if (all == !step.isEmpty())
            throw UsageError(QStringLiteral("--wiring needs either --step N or --all"));
        if (!all) {
            bool ok = false;
            stepNumber = step.toInt(&ok);
            if (!ok || stepNumber < 0 || stepNumber >= steps.size())
                throw UsageError(steps.isEmpty() ? QStringLiteral("the wiring text has no steps")
                                                 : QStringLiteral("--step takes a step number from 0 to %1, not %2")
                                                       .arg(steps.size() - 1)
                                                       .arg(step));
        }
    }

    std::unique_ptr<BoardForm> form(boards::createBoardForm(board));
    bool drawn = true;
    if (hasWiring) {
        boards::GuideOptions::instance().setNames(!plain);
        boards::GuideOptions::instance().setOverview(all);
        boards::BoardGuide* guide = boards::BoardGuide::attach(*form);
        guide->setWiring(QString(), steps);
        // As the step buttons leave it: every step up to N drawn in turn, so that an undrawable step N
        // leaves the last drawable one before it on the board.
        for (int i = 0; i <= stepNumber; ++i) {
            DrawWiringStep(steps[i], *form, *form->boardArea());
            guide->setShownStep(i);
        }
        // One line per step that names no pair of terminals, with what the plate says about it.
        const QList<StepPlan>& plans = guide->plans();
        for (int i = 0; i < plans.size(); ++i) {
            if ((all || i == stepNumber) && !plans[i].drawable()) {
                drawn = false;
                writeErr("labtool board: the step " + stepWords(i, steps[i]) + " names no pair of terminals of " +
                         boards::boardDisplayName(board).toUtf8() + ": " +
                         boards::platetext::step(i, int(plans.size()), plans[i]).toUtf8() + "\n");
            }
        }
    } else if (!step.isEmpty()) {
        drawn = DrawWiringStep(step.toLatin1(), *form, *form->boardArea());
        if (!drawn)
            writeErr("labtool board: the step " + step.toUtf8() + " names no pair of terminals of " +
                     boards::boardDisplayName(board).toUtf8() + "\n");
    }
    if (!png.isEmpty()) {
        if (!formPicture(*form, scale).save(png, "PNG"))
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
                 "       labtool board NAME --png FILE --wiring TEXT (--step N | --all) [--plain] [--scale F]\n"
                 "       labtool board NAME --terminals\n"
                 "       labtool board NAME --circuit\n"
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
                 "  KIND: circle, hbar (horizontal bar) or vbar (vertical bar).\n"
                 "  --circuit prints the terminals the board's circuit (the virtual run's data) covers, in stored\n"
                 "  order, one line each: TERMINAL<TAB>DEVICE.PIN<TAB>DIRECTION, DIRECTION being in, out, inout\n"
                 "  or power; a connector lists its pins in order, \"u8255.PA0,u8255.PA1,...\" (\"-\" for a pin\n"
                 "  with nothing behind it), and one direction when its pins share it, else one per pin. Then a\n"
                 "  line \"未覆盖:\" and the board's terminals the circuit leaves out, one a line. Exit 1, with\n"
                 "  \"本板没有电路文件\" on standard error, for a board without a circuit.\n"
                 "  --png FILE saves the form as the screen shows it; --step A>B draws that one step as the\n"
                 "  program's link layer does. With --wiring TEXT (a wiring text as the catalogue holds it) the\n"
                 "  picture is the guided view: --step N shows step N (0-based) as after N+1 presses of the\n"
                 "  next-step button, labelled, with the step plate; --all shows the whole wiring, each\n"
                 "  connection numbered in its own colour. --plain leaves labels, numbers and the plate out;\n"
                 "  --scale F (0.25 to 4) draws the picture F times as large. Exit 1 when the step (with --all:\n"
                 "  any step) names no pair of terminals of the board; the picture is saved all the same.",
                 true, &runBoard});
