#include "base/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QtDebug>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace replacefile {

const QLatin1String ScratchPrefix(".labguide-part-");

namespace {

struct Hook {
    int failAt = 0, count = 0, errnum = 0, operations = 0;
} hook;

// Counts one operation; true (with errno set) when the test hook makes it fail.
bool injectedFailure() {
    if (hook.failAt <= 0)
        return false; // counted only while a test has armed the hook
    ++hook.operations;
    if (hook.operations >= hook.failAt && hook.operations < hook.failAt + hook.count) {
        errno = hook.errnum;
        return true;
    }
    return false;
}

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

bool renamed(const QString& from, const QString& to) {
    if (injectedFailure())
        return false;
    return std::rename(encoded(from).constData(), encoded(to).constData()) == 0;
}

bool removed(const QString& path) {
    if (injectedFailure())
        return false;
    return ::unlink(encoded(path).constData()) == 0;
}

QString folderOf(const QString& target) { return QFileInfo(target).absolutePath(); }

// A new empty file of a unique scratch name in `folder`, opened exclusively; returns its descriptor.
int createUnique(const QString& folder, QString* path) {
    for (int attempt = 0;; ++attempt) {
        const quint64 n = QRandomGenerator::global()->generate64();
        *path = folder + '/' + ScratchPrefix + QString::number(n, 36);
        const int fd = ::open(encoded(*path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST || attempt == 20)
            return fd;
    }
}

void syncFolder(const QString& folder) {
    // Makes the renames durable; a file system that cannot sync a folder has nothing to lose here.
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

} // namespace

void raise(const QString& what, int errnum) {
    if (errnum == ENOSPC || errnum == EDQUOT)
        throw NoSpaceError(what + QStringLiteral(": no space left on the device"));
    throw Error(what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errnum)));
}

class ScratchFile::Device : public QIODevice {
public:
    explicit Device(ScratchFile* owner) : owner_(owner) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (!owner_->deviceErrno_)
            owner_->deviceErrno_ = owner_->writeAll(data, size);
        return owner_->deviceErrno_ ? -1 : size;
    }

private:
    ScratchFile* owner_;
};

ScratchFile::ScratchFile(const QString& target) : target_(QFileInfo(target).absoluteFilePath()) {
    fd_ = createUnique(folderOf(target_), &path_);
    if (fd_ < 0) {
        const int e = errno;
        path_.clear();
        raise(QStringLiteral("cannot write %1").arg(shown(target_)), e);
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat st;
    if (::stat(encoded(target_).constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd_, st.st_mode & 07777);
}

ScratchFile::~ScratchFile() { remove(); }

void ScratchFile::remove() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!placed_ && !path_.isEmpty())
        ::unlink(encoded(path_).constData());
    path_.clear();
}

int ScratchFile::writeAll(const char* data, qint64 size) {
    if (fd_ < 0)
        return EBADF;
    if (injectedFailure())
        return errno;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

void ScratchFile::write(const char* data, qint64 size) {
    if (const int e = writeAll(data, size))
        raise(QStringLiteral("cannot write %1").arg(shown(target_)), e);
}

void ScratchFile::copyFrom(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot read %1: %2").arg(shown(file), in.errorString()));
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw Error(QStringLiteral("cannot read %1: %2").arg(shown(file), in.errorString()));
        if (n == 0)
            return;
        write(buffer.constData(), n);
    }
}

QIODevice& ScratchFile::device() {
    if (!device_)
        device_ = std::make_unique<Device>(this);
    return *device_;
}

void ScratchFile::sync() {
    const QString what = QStringLiteral("cannot write %1").arg(shown(target_));
    if (deviceErrno_)
        raise(what, deviceErrno_);
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        raise(what, e);
    }
    if (::close(fd) != 0)
        raise(what, errno);
}

void ScratchFile::commit() {
    sync();
    if (!renamed(path_, target_))
        raise(QStringLiteral("cannot write %1").arg(shown(target_)), errno);
    placed_ = true;
    syncFolder(folderOf(target_));
}

FileSetReplace::~FileSetReplace() = default;

ScratchFile& FileSetReplace::add(const QString& target) {
    files_.push_back(std::make_unique<ScratchFile>(target));
    return *files_.back();
}

void FileSetReplace::commit() {
    for (const auto& f : files_)
        f->sync();

    struct Step {
        ScratchFile* file;
        QString backup; // where the old target went; empty when there was none
        bool placed = false;
    };
    std::vector<Step> steps;
    try {
        for (const auto& f : files_) {
            Step step{f.get(), {}, false};
            struct stat st;
            if (::lstat(encoded(f->target_).constData(), &st) == 0) {
                // The old file goes to a name this module made exclusively, so nobody else's file is replaced.
                const int fd = createUnique(folderOf(f->target_), &step.backup);
                if (fd < 0)
                    raise(QStringLiteral("cannot replace %1").arg(shown(f->target_)), errno);
                ::close(fd);
                if (!renamed(f->target_, step.backup)) {
                    const int e = errno;
                    ::unlink(encoded(step.backup).constData());
                    raise(QStringLiteral("cannot replace %1").arg(shown(f->target_)), e);
                }
            }
            steps.push_back(step);
            if (!renamed(f->path_, f->target_))
                raise(QStringLiteral("cannot write %1").arg(shown(f->target_)), errno);
            f->placed_ = true;
            steps.back().placed = true;
        }
    } catch (const Error& e) {
        QStringList unrestored;
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            const QString& target = it->file->target_;
            if (!it->backup.isEmpty()) {
                if (!renamed(it->backup, target))
                    unrestored << QStringLiteral("%1 (its previous file stays as %2)").arg(shown(target), shown(it->backup));
            } else if (it->placed && !removed(target)) {
                unrestored << QStringLiteral("%1 (new, could not be removed)").arg(shown(target));
            }
        }
        QString message = e.message();
        if (!unrestored.isEmpty())
            message += QStringLiteral("; and could not restore: ") + unrestored.join(QStringLiteral(", "));
        if (dynamic_cast<const NoSpaceError*>(&e))
            throw NoSpaceError(message);
        throw Error(message);
    }

    QSet<QString> folders;
    for (const Step& s : steps) {
        folders.insert(folderOf(s.file->target_));
        if (!s.backup.isEmpty() && ::unlink(encoded(s.backup).constData()) != 0)
            qWarning("could not remove %s, the previous %s", qPrintable(shown(s.backup)), qPrintable(shown(s.file->target_)));
    }
    for (const QString& folder : folders)
        syncFolder(folder);
}

namespace testhook {

void failOperation(int nth, int errnum, int count) {
    hook = Hook{nth, count, errnum, 0};
}

int operations() { return hook.operations; }

} // namespace testhook

} // namespace replacefile
