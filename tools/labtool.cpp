// labtool: the command-line companion of labguide for teachers (catalogue import, export and lint,
// listings) and for inspection.
#include "tools/Command.h"

#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "engine/Catalogue.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <memory>

using namespace labtool;

// Qt's own messages (its platform set-up's "QStandardPaths: XDG_RUNTIME_DIR not set", font and plugin notes)
// would mix with output other tools read; labtool writes its own messages directly, so only Qt's critical and
// fatal ones still show.
static void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        writeErr("labtool: " + text.toUtf8() + "\n");
}

static void printOverview() {
    QByteArray text = "usage: labtool COMMAND [ARGS...]\n       labtool COMMAND --help\n\ncommands:\n";
    std::vector<Command> sorted = commands();
    std::sort(sorted.begin(), sorted.end(), [](const Command& a, const Command& b) {
        return QByteArray(a.name) < QByteArray(b.name);
    });
    for (const Command& c : sorted)
        text += QByteArray("  ") + c.name + "\n";
    writeOut(text);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview();
        return BadInput;
    }
    const QByteArray name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview();
        return Ok;
    }
    const auto& all = commands();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Command& c) { return name == c.name; });
    if (it == all.end()) {
        writeErr("labtool: unknown command '" + name + "' (labtool --help lists them)\n");
        return BadInput;
    }
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains("--help") || args.contains("-h")) {
        writeOut(QByteArray("usage: ") + it->usage + "\n");
        return Ok;
    }

    qInstallMessageHandler(qtMessage);
    std::unique_ptr<QCoreApplication> app;
    if (it->needsGui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        fonts::installSubstitutions();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // A stray error box must never appear from the command line.
    errorreport::setReporter([&](const QString& text) { writeErr(name + ": " + text.toUtf8() + "\n"); });
    try {
        return it->run(args);
    } catch (const UsageError& e) {
        writeErr("labtool " + name + ": " + e.what() + "\nusage: " + it->usage + "\n");
        return BadInput;
    } catch (const CatalogueInUse&) {
        // A command that does not name the file itself.
        writeErr("labtool " + name + ": " + catalogueInUseText(QString()).toUtf8() + "\n");
        return BadInput;
    } catch (const Error& e) {
        writeErr("labtool " + name + ": " + e.message().toUtf8() + "\n");
        return BadInput;
    } catch (const std::exception& e) {
        writeErr("labtool " + name + ": " + e.what() + "\n");
        return BadInput;
    }
}
