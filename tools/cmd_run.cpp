// labtool run: an experiment's program on the board's circuit, headless; prints what the instruments show.
#include "tools/Arguments.h"
#include "tools/Command.h"
#include "tools/RunPrinter.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "boards/BoardInfo.h"
#include "engine/CatalogueSource.h"
#include "engine/RunWiring.h"
#include "engine/linksheet.h"
#include "sim/Assembler.h"
#include "sim/Circuit.h"
#include "sim/Machine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr sim::Time kFrame = sim::kMillisecond;
constexpr sim::Time kPress = 100 * sim::kMillisecond; // a key or the pulse key pressed without a value
constexpr double kLongestRun = 3600;                  // seconds

struct Input {
    sim::Time time = 0;
    std::string setting;
    double value = 0;
    QString text; // as given, for messages
};

// "2.5s", "100ms", "500us", "3" (seconds).
sim::Time parseTime(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^\s*([0-9]+(?:\.[0-9]*)?)\s*(s|ms|us|µs)?\s*$)"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        throw labtool::UsageError(QStringLiteral("not a time: \"%1\" (say 2.5s, 100ms or 500us)").arg(text));
    const double v = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double seconds = unit == u"ms" ? v / 1e3 : (unit == u"us" || unit == u"µs") ? v / 1e6 : v;
    if (seconds > kLongestRun)
        throw labtool::UsageError(QStringLiteral("a time of at most %1 s").arg(kLongestRun));
    return sim::fromSeconds(seconds);
}

// The settings the board's parts answer to, with the names a teacher types for them.
std::string settingName(const QString& name) {
    const QString n = name.trimmed().toUpper();
    static const QRegularExpression key(QStringLiteral(R"(^KEY:?(.+)$)"));
    if (n == u"PL" || n == u"PH" || n == u"AN0" || n == u"PULSE")
        return "PULSE";
    if (const auto m = key.match(n); m.hasMatch())
        return "KEY:" + m.captured(1).toStdString();
    if (n == u"TEMP" || n == u"DS18B20")
        return "TEMP";
    if (n == u"AOUT1" || n == u"UART")
        return n.toStdString();
    static const QRegularExpression sw(QStringLiteral(R"(^K[1-8]$)"));
    if (sw.match(n).hasMatch())
        return n.toStdString();
    throw labtool::UsageError(QStringLiteral("--input: unknown part \"%1\" (K1..K8, PL, KEYx, AOUT1, TEMP, UART)").arg(name));
}

double parseValue(const QString& text) {
    QString v = text.trimmed().toUpper();
    bool ok = false;
    double value = 0;
    if (v.endsWith(u'H') && v.size() > 1) {
        value = double(v.chopped(1).toUInt(&ok, 16));
    } else {
        for (const QString& unit : {QStringLiteral("V"), QStringLiteral("℃"), QStringLiteral("C")})
            if (v.endsWith(unit))
                v.chop(unit.size());
        value = v.toDouble(&ok);
    }
    if (!ok)
        throw labtool::UsageError(QStringLiteral("--input: not a value: \"%1\"").arg(text));
    return value;
}

// "K1=0@100ms,K1=1@300ms,PL@1s,AOUT1=2.5V,UART=\"Hi\"@1s"
std::vector<Input> parseInputs(const QString& events) {
    std::vector<Input> inputs;
    for (const QString& raw : events.split(u',', Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed();
        const qsizetype at = item.lastIndexOf(u'@');
        const QString head = at < 0 ? item : item.left(at);
        const sim::Time t = at < 0 ? 0 : parseTime(item.mid(at + 1));
        const qsizetype eq = head.indexOf(u'=');
        const QString name = eq < 0 ? head : head.left(eq);
        const std::string setting = settingName(name);
        if (eq < 0) {
            // A press: down now, up a moment later.
            inputs.push_back({t, setting, 1, item});
            inputs.push_back({t + kPress, setting, 0, item});
            continue;
        }
        const QString value = head.mid(eq + 1).trimmed();
        if (setting == "UART" && value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
            const QByteArray bytes = gbk::encode(value.mid(1, value.size() - 2));
            for (const char c : bytes) // typed at once: the terminal sends them one frame after another
                inputs.push_back({t, setting, double(static_cast<unsigned char>(c)), item});
            continue;
        }
        inputs.push_back({t, setting, parseValue(value), item});
    }
    std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.time < b.time; });
    return inputs;
}


int runRun(const QStringList& args) {
    QString catalogue, board, type, name, sourceFile, wiringText, programDir;
    bool haveWiring = false, trace = false;
    double seconds = 2.0, crystal = 0, baud = 0;
    std::vector<Input> inputs;
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
        else if (a == u"--source")
            sourceFile = value(i, a);
        else if (a == u"--wiring")
            wiringText = value(i, a), haveWiring = true;
        else if (a == u"--for")
            seconds = sim::toSeconds(parseTime(value(i, a)));
        else if (a == u"--input") {
            const std::vector<Input> more = parseInputs(value(i, a));
            inputs.insert(inputs.end(), more.begin(), more.end());
        } else if (a == u"--crystal") {
            bool ok = false;
            crystal = value(i, a).toDouble(&ok);
            if (!ok || crystal <= 0 || crystal > 100e6)
                throw labtool::UsageError(QStringLiteral("--crystal takes the crystal in MHz, e.g. 12 or 11.0592"));
            if (crystal < 1000)
                crystal *= 1e6;
        } else if (a == u"--baud") {
            bool ok = false;
            baud = value(i, a).toDouble(&ok);
            if (!ok || baud < 50 || baud > 1e6)
                throw labtool::UsageError(QStringLiteral("--baud takes the serial terminal's rate, e.g. 9600"));
        } else if (a == u"--trace")
            trace = true;
        else if (a == u"--program-dir")
            programDir = value(i, a);
        else if (a.startsWith(u'-'))
            throw labtool::UsageError(QStringLiteral("unknown option %1").arg(a));
        else if (catalogue.isEmpty())
            catalogue = a;
        else
            throw labtool::UsageError(QStringLiteral("expected one CATALOGUE.mdb"));
    }
    std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.time < b.time; });
    if (board.isEmpty())
        throw labtool::UsageError(QStringLiteral("--board is needed (%1)").arg(QLatin1String(labtool::BoardChoices)));
    board = labtool::boardArgument(board);
    const bool fromCatalogue = !name.isEmpty();
    if (fromCatalogue == (!sourceFile.isEmpty() || haveWiring))
        throw labtool::UsageError(QStringLiteral("give either --type N --name NAME or --source FILE --wiring TEXT"));
    if (!fromCatalogue && (sourceFile.isEmpty() || !haveWiring))
        throw labtool::UsageError(QStringLiteral("--source and --wiring go together"));
    const int cpuType = type.isEmpty() ? (fromCatalogue ? 0 : 1) : labtool::cpuTypeArgument(type);
    if (cpuType == 0)
        throw labtool::UsageError(QStringLiteral("--type is needed with --name"));
    if (!sim::hasCircuit(board))
        throw Error(QStringLiteral("本板没有电路文件：%1 还不能虚拟运行").arg(boards::boardDisplayName(board)));
    if (cpuType != 1 && cpuType != 2)
        throw Error(QStringLiteral("本类型暂不能虚拟运行（--type %1）").arg(type));
    if (QString why; !sim::canAssemble(cpuType, &why))
        throw Error(why);

    QByteArray source;
    QByteArray wiring;
    if (fromCatalogue) {
        if (catalogue.isEmpty())
            throw labtool::UsageError(QStringLiteral("expected one CATALOGUE.mdb with --name"));
        if (!QFileInfo(catalogue).isFile())
            throw Error(QStringLiteral("no catalogue %1").arg(catalogue));
        const QList<CatalogueRow> rows = cataloguesource::readCatalogue(catalogue);
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const CatalogueRow& r) { return r.cpuType == cpuType && r.name == name; });
        if (row == rows.end())
            throw Error(QStringLiteral("the catalogue has no experiment \"%1\" of type %2").arg(name, type));
        // Sources are found as the program finds them: beside the catalogue first, then in the program folder.
        const QString folder = cataloguesource::sourceFolder(cpuType);
        const QString found = contentfolder::find(folder + row->program,
                                                  QFileInfo(catalogue).absolutePath() + u'/',
                                                  (programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir) + u'/');
        if (found.isEmpty())
            throw Error(QStringLiteral("the source %1%2 is missing").arg(folder, row->program));
        sourceFile = found;
        wiring = gbk::encode(row->wiring);
    } else {
        wiring = gbk::encode(wiringText);
    }
    QFile file(sourceFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot read %1: %2").arg(sourceFile, file.errorString()));
    source = file.readAll();

    const sim::AsmResult program = sim::assembleFor(cpuType, source);
    if (!program.ok()) {
        QByteArray out;
        for (const sim::AsmError& e : program.errors)
            out += e.message.toUtf8() + '\n';
        labtool::writeOut(out);
        return labtool::Problems;
    }

    sim::Machine machine(sim::boardCircuit(board), cpuType, engine::runWiring(parseWiringSteps(wiring)), crystal);
    machine.cpu().setEntry(program.entrySegment, program.entryOffset);
    machine.load(program.image);
    if (baud > 0 && !machine.set("BAUD", baud))
        throw labtool::UsageError(QStringLiteral("--baud: the board %1 has no serial terminal").arg(boards::boardDisplayName(board)));
    if (trace)
        machine.setTracer([](sim::Time t, const std::string& text) {
            char stampText[32];
            std::snprintf(stampText, sizeof stampText, "%12.6f s  ", sim::toSeconds(t));
            labtool::writeOut(QByteArray(stampText) + "TRACE " + QByteArray::fromStdString(text) + '\n');
        });
    runprint::Printer printer;
    const sim::Time end = sim::fromSeconds(seconds);
    std::size_t next = 0;
    bool stopShown = false;
    QByteArray out;
    for (sim::Time t = kFrame; t <= end; t += kFrame) {
        for (; next < inputs.size() && inputs[next].time < t; ++next) {
            machine.runUntil(inputs[next].time);
            if (!machine.set(inputs[next].setting, inputs[next].value))
                out += runprint::stamp(machine.now()) + "EVENT 本板没有 " + inputs[next].text.toUtf8() + " 所指的开关或按键\n";
        }
        machine.runUntil(t);
        out += printer.events(machine.takeEvents());
        if (machine.cpu().halted() && !stopShown) {
            stopShown = true;
            out += runprint::stamp(machine.now()) + "STOP " + QByteArray::fromStdString(machine.cpu().haltReason()) + '\n';
        }
        out += printer.frame(machine.snapshot());
        if (out.size() > 1 << 16 || trace) {
            labtool::writeOut(out);
            out.clear();
        }
    }
    labtool::writeOut(out);
    return labtool::Ok;
}

} // namespace

LABTOOL_COMMAND({"run",
                 "labtool run CATALOGUE --board BOARD (--type 51|88 --name NAME | [--type 51|88] --source FILE --wiring TEXT)\n"
                 "            [--for 2.5s] [--input EVENTS] [--crystal MHZ] [--baud N] [--trace] [--program-dir DIR]\n"
                 "  runs the experiment's program on the board's circuit with its wiring, without a window, for the\n"
                 "  given simulated time (default 2 s; also ms, us), and prints one line each time what an\n"
                 "  instrument shows changes, the simulated time first (\"%8.3f s\", two blanks, the instrument):\n"
                 "       1.003 s  L1–L8 ●○○○○○○○      lamps L1..L8 (L1..L12 once L9..L12 light), ● lit, ○ dark\n"
                 "       0.050 s  DIGITS [123456]     the 7-segment digits left to right as read: 0-9, A-F, -, ? or blank\n"
                 "       0.120 s  LCD1 [QK LAB 51 LCD ]   a line of the LCD (LCD2 the second); \"LCD off\"\n"
                 "       0.040 s  MATRIX              then 16 lines of ●/○, the LED matrix row by row\n"
                 "       0.300 s  STEPPER 45.0° +150 rpm   the stepper's angle and speed (+ clockwise)\n"
                 "       0.300 s  DCMOTOR 1500 rpm    the DC motor's speed\n"
                 "       0.300 s  SPEAKER 523 Hz      the speaker's tone (0 Hz: silent)\n"
                 "       2.000 s  RELAY on            the relay energised (on) or not (off)\n"
                 "       1.000 s  UART 48 69 |Hi|     bytes the serial terminal received, hex and as text\n"
                 "       0.000 s  EVENT 冲突：…        a conflict, a wire the circuit lacks, an access no chip answers…\n"
                 "       0.002 s  STOP 非法指令 A5H，地址 0123H   the CPU stopped\n"
                 "  Lamps are read each millisecond (lit for at least half of it); the digits and the matrix over\n"
                 "  20 ms, shown once a picture holds 25 ms; a speed when it starts, stops or turns round, else\n"
                 "  when it moved by more than 2 %, at most every 100 ms.\n"
                 "  --input \"K1=0@100ms,K1=1@300ms,PL@1s,AOUT1=2.5V,TEMP=30.5@2s,KEY5@1s,UART=\\\"Hi\\\"@1s\":\n"
                 "  switches K1..K8 (1 up, 0 down), the pulse key PL, keys KEYx by their caption, the potentiometer\n"
                 "  AOUT1 in volts, the DS18B20's temperature TEMP, bytes the terminal sends (UART=41H or a\n"
                 "  quoted text); NAME@TIME without a value presses for 100 ms; no @TIME means at the start.\n"
                 "  --type 88 runs the 8088 experiments: the MASM-style source is assembled by nasm (Debian package\n"
                 "  nasm; without it the command exits 2 naming the package) and runs at the board's 8088 clock,\n"
                 "  4.77 MHz; the 8259's INTA cycles and the 8251's serial lines run through the wiring.\n"
                 "  --crystal 11.0592: the crystal in MHz (default the board's, 12; for 88 the 8088's clock);\n"
                 "  --baud 9600: the serial terminal's\n"
                 "  rate (default the circuit's, 2400). --trace adds a line\n"
                 "  \"%12.6f s  TRACE …\" for every bus read and write and port pin change of the CPU.\n"
                 "  Sources are found beside the catalogue first, then under DIR (default: labtool's folder);\n"
                 "  with --source and --wiring no catalogue is needed (--type defaults to 51).\n"
                 "  Exit status: 0 ran, 1 the source has assembly errors (printed one a line, \"第12行：…\"),\n"
                 "  2 bad arguments.",
                 false, &runRun});
