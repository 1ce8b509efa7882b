#pragma once
// Small helpers shared by the test groups.
#include "base/ErrorReport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace testsupport {

// Records the default error report's texts instead of showing message boxes, for its lifetime.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    const QStringList& texts() const { return texts_; }
    void clear() { texts_.clear(); }

private:
    QStringList texts_;
    errorreport::Reporter previous_;
};

// The message of the Error that `f` raises, or an empty text when it raises none.
QString errorOf(const std::function<void()>& f);

// Writes bytes to a file, creating folders as needed; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

QString sourceDir();  // the repository
QString programDir(); // the built program folder (with asm/ and pic/)
QString workDir();    // the built working folder (with QK740X.mdb)

// Runs a built executable of the program folder; returns its exit code, captures its output.
int runProgram(const QString& name, const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
               const QByteArray& input = {}, const QString& workingDir = {});

} // namespace testsupport
