#pragma once
// Completes an MJPEG AVI whose writer stopped without finishing it (a failed write, a full disk): the
// frames that were written whole are kept, an index of them is appended and the header counts them.
#include <QString>

#include <cstdint>

namespace capture {

struct AviFinishResult {
    bool finished = false;     // the file now has an index and its header agrees with it
    std::uint32_t frames = 0;  // frames the index lists
    std::uint32_t dropped = 0; // whole frames given up to make room for the index
};

// Works in place. A file that already has an index is left as it is (finished, with its frame count);
// a file that is not an AVI of this shape is left untouched (not finished).
AviFinishResult finishAvi(const QString& path);

} // namespace capture
