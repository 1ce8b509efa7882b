#pragma once
// Picture loading by file extension, for the picture viewer and the photo box.
#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace codecs {

struct Picture {
    QImage image;   // RGB32 or ARGB32
    QString format; // "bmp", "jpeg", "png", "ico", "wmf" or "emf"
};

// The format for a file extension (without its dot, any letter case): "jpg" and "jpeg" give "jpeg";
// empty for an extension outside the list.
QString formatForExtension(const QString& extension);

// Decodes bytes as the format of `extension`. Raises Error "Unknown picture file extension (.%s)" for an
// extension outside the list and the decoder's own error for bytes it cannot decode.
Picture decodePicture(QByteArrayView bytes, const QString& extension);

// Reads and decodes the file at `path` (the format from its extension). Raises Error when the file cannot
// be read (a folder, a device, no permission) or decoded.
Picture loadPicture(const QString& path);

// The largest picture file read (larger ones are refused before reading).
inline constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

} // namespace codecs
