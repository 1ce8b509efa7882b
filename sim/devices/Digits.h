#pragma once
// The board's six-digit common-cathode 7-segment display: segment lines A … G, DP (high lights) and
// digit selects S1 … S6 (low selects; S1 is the leftmost digit). A segment of a digit is lit while its
// line is high and the digit is selected; its brightness is the share of the frame it was lit,
// integrated exactly between pin changes, so a display multiplexed at 1 ms a digit reads about 1/6 on
// every lit segment in every frame.
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class Digits : public Device {
public:
    static constexpr int kDigits = 6;

    explicit Digits(std::string name);

    void reset(Time t) override;
    void input(int pin, Time t) override;
    void show(Snapshot& snapshot, Time t, Time frame) override;

private:
    // Adds the on-time of the lit segments of digit d up to t and applies its new lit mask.
    void relight(int d, std::uint8_t lit, Time t);

    std::uint8_t segments_ = 0; // lines high, bit 0 = A … bit 7 = DP
    std::uint8_t selected_ = 0; // digits selected, bit 0 = S1
    std::array<std::uint8_t, kDigits> lit_{};
    std::array<std::array<Time, 8>, kDigits> onTime_{}; // lit time in this frame
    std::array<std::array<Time, 8>, kDigits> since_{};  // when a lit segment lit or the frame began
    Time frameStart_ = 0;
};

// The segments a person sees lit (bit 0 = a … bit 7 = dp): a segment counts as lit when its brightness is
// at least half of `brightest` (the brightest segment of the whole display in that frame) and above a
// small floor, so a multiplexed display reads steady and short glimpses between digits do not ghost.
std::uint8_t litSegments(const std::array<double, 8>& segments, double brightest);
// The brightest segment of a display in a frame.
double brightestSegment(const std::vector<Snapshot::Digit>& digits);

// The character a person reads from a digit's segments a … g, dp (Snapshot::Digit): a segment counts as
// lit when its brightness is at least half of `brightest` (the brightest segment of the whole display
// in that frame) and above a small floor. "0" … "9", "A" … "F" (b, d as the display shows them), "-",
// " " for a dark digit, "?" for any other pattern; the decimal point is not read.
char readDigit(const std::array<double, 8>& segments, double brightest);
// The whole display read left to right, one character a digit.
std::string readDigits(const std::vector<Snapshot::Digit>& digits);

} // namespace sim
