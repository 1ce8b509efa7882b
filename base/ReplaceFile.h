#pragma once
// Replacing files by writing beside them and renaming, so that a target holds either its old bytes or all of
// its new ones. Scratch files get unique names, opened exclusively in the target's folder; they are synced to
// the disk before the rename. Several files can be replaced as one: when one cannot be placed, every target
// placed before it gets its old file back, and each one that could not is named in the error.
#include "base/ErrorReport.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

namespace replacefile {

// Every scratch and backup name starts with this. A name starting with it is never a user's file.
extern const QLatin1String ScratchPrefix;

// Raised when the device is full (ENOSPC, EDQUOT); the message says "no space left on the device", so that
// callers may show their own words for it (labedit: 磁盘空间不足).
class NoSpaceError : public Error {
public:
    using Error::Error;
};

// Raises the error for a failed system call: "WHAT: the system's reason", as NoSpaceError when the device is full.
[[noreturn]] void raise(const QString& what, int errnum);

// One file written beside its target and placed by commit(); removed unplaced when destroyed before that.
class ScratchFile {
public:
    // Creates the empty scratch file in the target's folder (following no link). Raises Error.
    explicit ScratchFile(const QString& target);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const QString& target() const { return target_; }
    // The scratch's own path, for writers that open files by name (the catalogue's database); they write it
    // and close it before commit().
    const QString& path() const { return path_; }

    // Raises Error (NoSpaceError for a full device).
    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    // Streams a whole file in.
    void copyFrom(const QString& file);
    // A write-only device over the scratch (QPdfWriter); a failed write is raised by commit().
    QIODevice& device();

    // Syncs the scratch to the disk and renames it over the target, then syncs the folder. Raises Error; the
    // target is then as before.
    void commit();

private:
    friend class FileSetReplace;
    class Device;
    int writeAll(const char* data, qint64 size); // 0 or the errno
    void sync();
    void remove();

    QString target_, path_;
    int fd_ = -1;
    bool placed_ = false;
    int deviceErrno_ = 0;
    std::unique_ptr<Device> device_;
};

// Files replaced as one: each written to its scratch, then all placed by commit() in the order added.
class FileSetReplace {
public:
    FileSetReplace() = default;
    ~FileSetReplace(); // scratches not placed are removed
    FileSetReplace(const FileSetReplace&) = delete;
    FileSetReplace& operator=(const FileSetReplace&) = delete;

    // The scratch for one more target (each target once). Raises Error.
    ScratchFile& add(const QString& target);

    // Syncs every scratch, moves each old target aside (to a scratch name) and renames its scratch over it;
    // the old files are removed at the end. On a failure every placed target is restored (its old file back,
    // or removed when it had none) and the error names the cause and each target that could not be restored
    // with where its old file stays. Raises Error (NoSpaceError when the device was full).
    void commit();

private:
    std::vector<std::unique_ptr<ScratchFile>> files_;
};

// For fault-injection tests: the n-th file operation from now (1: the next write, rename or removal this
// module does) and the `count - 1` after it fail with `errnum`; n = 0 stops failing.
namespace testhook {
void failOperation(int nth, int errnum, int count = 1);
// The operations done since the last failOperation() (counted while n > 0).
int operations();
} // namespace testhook

} // namespace replacefile
