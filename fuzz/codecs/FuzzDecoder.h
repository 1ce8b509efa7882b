#pragma once
// Shared body of the codec fuzz targets: decode the input, accept an Error, and check that a decoded
// picture is within the limits every decoder promises.
#include "codecs/PictureLimits.h"

#include "base/ErrorReport.h"

#include <QByteArrayView>
#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdlib>

namespace fuzzcodecs {

// Metafile text needs fonts, and fonts need a GUI application (offscreen, no display). It is never
// destroyed: tearing it down among the static destructors at exit crashes.
inline void ensureApplication() {
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_codecs";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
}

inline int run(QImage (*decode)(QByteArrayView), const uint8_t* data, size_t size) {
    ensureApplication();
    try {
        const QImage image = decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
        if (image.isNull() || image.width() > codecs::kMaxSide || image.height() > codecs::kMaxSide ||
            qint64(image.width()) * image.height() > codecs::kMaxPixels)
            std::abort(); // a decoder returned an empty or oversized picture instead of raising an error
    } catch (const Error&) {
    }
    return 0;
}

} // namespace fuzzcodecs
