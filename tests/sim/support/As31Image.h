#pragma once
// Program images for the 8051 core's tests: the lab's sources assembled by as31 (the reference
// assembler, run as a program, through the tests' shared as31 helper), and Intel HEX written for s51.
#include "tests/support/As31.h"

#include <QByteArray>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace simtest {

// Sixteen bytes a record; lines of FFH alone are left out (the reader fills code memory with FFH first).
inline QByteArray intelHex(const std::vector<std::uint8_t>& image) {
    QByteArray out;
    for (std::size_t at = 0; at < image.size(); at += 16) {
        const std::size_t n = std::min<std::size_t>(16, image.size() - at);
        bool blank = true;
        for (std::size_t i = 0; i < n; ++i)
            blank = blank && image[at + i] == 0xFF;
        if (blank)
            continue;
        QByteArray record;
        record += char(n);
        record += char(at >> 8);
        record += char(at & 0xFF);
        record += char(0);
        for (std::size_t i = 0; i < n; ++i)
            record += char(image[at + i]);
        std::uint8_t sum = 0;
        for (const char b : record)
            sum = std::uint8_t(sum + std::uint8_t(b));
        record += char(std::uint8_t(-sum));
        out += ':' + record.toHex().toUpper() + '\n';
    }
    out += ":00000001FF\n";
    return out;
}

inline QString as31Program() { return testsupport::haveAs31() ? QStandardPaths::findExecutable("as31") : QString(); }

// The image as31 makes of a source in the lab's dialect, from address 0 (gaps FFH); empty, with as31's
// messages in `log`, on failure.
inline std::vector<std::uint8_t> assembleWithAs31(const QByteArray& source, QString* log) {
    const testsupport::As31Run run = testsupport::runAs31(source);
    *log = run.log;
    if (run.exitCode != 0 || run.bytes.empty())
        return {};
    std::vector<std::uint8_t> image(std::size_t(run.bytes.rbegin()->first) + 1, 0xFF);
    for (const auto& [address, byte] : run.bytes)
        image[std::size_t(address)] = byte;
    return image;
}

} // namespace simtest
