#pragma once
// What the instruments show at one moment, filled by the devices and read by the screen (60 times a
// second) and by `labtool run`. Brightness values are the share of the last frame a segment, lamp or
// dot was lit (0 … 1): a multiplexed display lit 1/6 of the time reads about 1/6 on every lit segment.
#include "sim/Time.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Snapshot {
    Time time = 0;   // the end of the frame
    Time frame = 0;  // its length

    // Indicator lamps by terminal name ("L1" … "L12"): brightness.
    std::map<std::string, double> lamps;

    // 7-segment digits, left to right; each holds segments a, b, c, d, e, f, g, dp.
    struct Digit {
        std::array<double, 8> segments{};
    };
    std::vector<Digit> digits;

    // The LED matrix, rows top to bottom, columns left to right (empty when the board has none).
    std::vector<std::vector<double>> matrix;

    // The character LCD: its lines as shown (the display's character set, blanks where nothing is
    // written), whether the display is on.
    std::vector<std::string> lcdLines;
    bool lcdOn = false;

    struct Motor {
        double angle = 0; // degrees, 0 … 360
        double rpm = 0;   // signed: positive clockwise
    };
    std::optional<Motor> stepper;
    std::optional<Motor> dcMotor;

    double speakerHz = 0;          // the tone the speaker plays, 0 for silence
    std::vector<bool> relays;      // energised or not, in the circuit's order
    std::string uartText;          // everything received by the terminal so far (bytes as Latin-1)
    std::optional<double> dacVolts; // the DAC's output at the end of the frame
};

} // namespace sim
