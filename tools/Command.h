#pragma once
// A labtool subcommand. Each cmd_*.cpp defines one (or a family) and registers it with LABTOOL_COMMAND.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace labtool {

struct Command {
    const char* name;    // first word on the command line ("wiring", "catalogue", ...)
    const char* usage;   // shown by --help and on usage errors, may span lines
    bool needsGui;       // creates widgets or pictures: run under a QApplication (offscreen)
    int (*run)(const QStringList& args); // args after the name; returns the exit code
};

// Exit codes: 0 success, 1 a check found problems, 2 usage or input error.
enum Exit { Ok = 0, Problems = 1, BadInput = 2 };

// Thrown for usage and input errors: labtool prints "labtool NAME: message" and exits 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

bool registerCommand(const Command& command);
const std::vector<Command>& commands();

// What a command says when labguide holds the catalogue it needs: in Chinese, naming the file and what to do.
QString catalogueInUseText(const QString& catalogue);

// Raw output, byte for byte.
void writeOut(const QByteArray& bytes);
void writeErr(const QByteArray& bytes);
QByteArray readAllStdin();

} // namespace labtool

#define LABTOOL_CONCAT2(a, b) a##b
#define LABTOOL_CONCAT(a, b) LABTOOL_CONCAT2(a, b)
#define LABTOOL_COMMAND(...) \
    static const bool LABTOOL_CONCAT(labtoolRegistered_, __LINE__) = ::labtool::registerCommand(__VA_ARGS__)
