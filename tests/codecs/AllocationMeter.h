#pragma once
// Counts the heap memory the process holds, through its own malloc and free (which every library of the
// process calls, libpng, libjpeg, zlib and Qt alike), to tell the peak a piece of code reached. Under the
// sanitizers, which bring their own allocator, it cannot count.
#include <cstdint>

namespace allocmeter {

bool available();
// Starts a measurement; peakSinceStart() is then the most held beyond what was held at the start.
void start();
int64_t peakSinceStart();

} // namespace allocmeter
