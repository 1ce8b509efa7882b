#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace testsupport {

ErrorRecorder::ErrorRecorder() {
    previous_ = errorreport::setReporter([this](const QString& text) { texts_.append(text); });
}

ErrorRecorder::~ErrorRecorder() { errorreport::setReporter(std::move(previous_)); }

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString sourceDir() { return QStringLiteral(LABGUIDE_SOURCE_DIR); }
QString programDir() { return QStringLiteral(LABGUIDE_PROGRAM_DIR); }
QString workDir() { return QStringLiteral(LABGUIDE_WORK_DIR); }

int runProgram(const QString& name, const QStringList& args, QByteArray* out, QByteArray* err,
               const QByteArray& input, const QString& workingDir) {
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(programDir() + "/" + name, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        return -2;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
}

} // namespace testsupport
