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

// Whether a source file's bytes are to be read as UTF-8 rather than GBK. Sources are GBK, and short GBK
// texts are often valid UTF-8 by accident ("小" is D0 A1, UTF-8 for "С"), so only clear UTF-8 counts:
// - a file that starts with a byte-order mark, or
// - well-formed UTF-8 whose every non-ASCII character is written in three bytes and lies in the blocks
//   Chinese text uses (punctuation and symbols U+2000-2BFF, CJK punctuation to compatibility U+3000-33FF,
//   ideographs U+4E00-9FFF and F900-FAFF, CJK and small forms U+FE10-FE6F, full-width forms
//   U+FF00-FFEF) or in four bytes (emoji U+1F000-1FAFF, rare ideographs U+20000-323AF), with at least
//   one of the three-byte kind.
// Two-byte sequences (Latin, Greek, Cyrillic: "°", "Ω") are what one or two GBK characters form, so a UTF-8
// file that uses them needs a byte-order mark. Two GBK characters can form one four-byte sequence (F0 A1 B0
// A1), hence the three-byte one required beside it; three GBK characters in narrow byte ranges can still
// form two ideographs, which ordinary text hardly ever has.
bool looksLikeUtf8(QByteArrayView bytes);

// Decodes a source file's bytes: UTF-8 when looksLikeUtf8 (the byte-order mark dropped), GBK otherwise.
QString decodeSource(QByteArrayView bytes);

} // namespace gbk
