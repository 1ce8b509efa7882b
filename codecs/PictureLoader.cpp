#include "codecs/PictureLoader.h"

#include "codecs/Decoders.h"

#include "base/ErrorReport.h"

#include <QFile>
#include <QFileInfo>

namespace codecs {

namespace {

struct Format {
    const char* extension;
    const char* name;
    QImage (*decode)(QByteArrayView);
};

const Format kFormats[] = {
    {"bmp", "bmp", decodeBmp},   {"jpg", "jpeg", decodeJpeg}, {"jpeg", "jpeg", decodeJpeg},
    {"png", "png", decodePng},   {"ico", "ico", decodeIco},   {"wmf", "wmf", renderWmf},
    {"emf", "emf", renderEmf},
};

const Format* find(const QString& extension) {
    for (const Format& f : kFormats)
        if (extension.compare(QLatin1String(f.extension), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

// The extension as the original system sees it: everything after the last dot of the file name.
QString extensionOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

} // namespace

QString formatForExtension(const QString& extension) {
    const Format* f = find(extension);
    return f ? QString::fromLatin1(f->name) : QString();
}

Picture decodePicture(QByteArrayView bytes, const QString& extension) {
    const Format* f = find(extension);
    if (!f)
        throw Error(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
    return Picture{f->decode(bytes), QString::fromLatin1(f->name)};
}

Picture loadPicture(const QString& path) {
    const QString extension = extensionOf(path);
    if (!find(extension)) // the extension decides before the file is touched
        throw Error(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
    const QFileInfo info(path);
    if (info.isDir())
        throw Error(QStringLiteral("Cannot read picture file %1: it is a folder").arg(path));
    if (!info.exists())
        throw Error(QStringLiteral("Cannot read picture file %1: no such file").arg(path));
    // Reading a pipe or a device could block for ever or never end.
    if (!info.isFile())
        throw Error(QStringLiteral("Cannot read picture file %1: not a regular file").arg(path));
    if (info.size() > kMaxFileBytes)
        throw Error(QStringLiteral("Cannot read picture file %1: larger than %2 MiB")
                        .arg(path)
                        .arg(kMaxFileBytes / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read picture file %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read picture file %1: %2").arg(path, file.errorString()));
    if (bytes.size() > kMaxFileBytes)
        throw Error(QStringLiteral("Cannot read picture file %1: larger than %2 MiB")
                        .arg(path)
                        .arg(kMaxFileBytes / (1024 * 1024)));
    return decodePicture(bytes, extension);
}

} // namespace codecs
