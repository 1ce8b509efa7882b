#pragma once
// Simulated time. Everything in the virtual run is timed by the CPU's clock count, turned into
// picoseconds; the wall clock never enters. 2^63 ps is more than 100 days of simulated time.
#include <cstdint>

namespace sim {

using Time = std::int64_t; // picoseconds since the run began

constexpr Time kNanosecond = 1000;
constexpr Time kMicrosecond = 1000 * kNanosecond;
constexpr Time kMillisecond = 1000 * kMicrosecond;
constexpr Time kSecond = 1000 * kMillisecond;
constexpr Time kNever = INT64_MAX;

constexpr double toSeconds(Time t) { return double(t) / double(kSecond); }
constexpr Time fromSeconds(double s) { return Time(s * double(kSecond) + (s >= 0 ? 0.5 : -0.5)); }

// The time of a clock count: exact integer arithmetic, so that a run gives the same answer each time.
inline Time clockTime(std::uint64_t clocks, std::uint64_t hz) {
    return Time((unsigned __int128)clocks * (unsigned __int128)kSecond / hz);
}

} // namespace sim
