// The pack reader on arbitrary bytes (the zip, its names and the manifest): it refuses with Error or returns
// a pack whose every file name is safe and within the limits; nothing else.
#include "packs/PackArchive.h"

#include "base/ErrorReport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    contentpack::Limits limits;
    limits.entryBytes = 1 << 20;
    limits.totalBytes = 4 << 20;
    limits.entries = 200;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const contentpack::Content c = contentpack::readPack(bytes, limits);
        qsizetype total = 0;
        for (auto it = c.files.begin(); it != c.files.end(); ++it) {
            if (contentpack::checkedEntryName(it.key()) != it.key() || it.key().contains(QLatin1String("..")))
                std::abort();
            total += it.value().size();
        }
        if (total > limits.totalBytes)
            std::abort();
    } catch (const Error&) {
    }
    // The manifest's reader alone, on the same bytes as text.
    try {
        contentpack::parseManifest(bytes);
    } catch (const Error&) {
    }
    return 0;
}
