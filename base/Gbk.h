#pragma once
// All conversions between the program's GBK byte texts and Qt's QString live here.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace gbk {

// A lead byte of a GBK double-byte character.
constexpr bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// The longest prefix of at most `capacity` bytes that does not end in half a double-byte character.
qsizetype safeCutLength(QByteArrayView bytes, qsizetype capacity);

// True when the bytes are valid UTF-8 and not plain ASCII (a byte-order mark alone counts as UTF-8).
bool looksLikeUtf8(QByteArrayView bytes);

// Decodes a source file's bytes: UTF-8 when looksLikeUtf8 (the byte-order mark dropped), GBK otherwise.
QString decodeSource(QByteArrayView bytes);

} // namespace gbk
