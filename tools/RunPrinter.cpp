#include "tools/RunPrinter.h"

#include "sim/devices/Digits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace runprint {

namespace {

constexpr sim::Time kWindow = 20 * sim::kMillisecond; // longer than a scan of the digits or the matrix
constexpr sim::Time kSteady = 25 * sim::kMillisecond; // a new picture must hold this long to be shown
constexpr double kLitShare = 0.35;                    // of the brightest segment or dot in the window
constexpr double kFloor = 0.01;                       // below this share of the window nothing is lit

const char* const kLit = "\u25CF";  // ●
const char* const kDark = "\u25CB"; // ○

QByteArray line(sim::Time t, const std::string& text) { return stamp(t) + QByteArray::fromStdString(text) + '\n'; }

} // namespace

QByteArray stamp(sim::Time t) {
    char text[32];
    std::snprintf(text, sizeof text, "%8.3f s  ", sim::toSeconds(t));
    return text;
}

QByteArray Printer::frame(const sim::Snapshot& s) {
    recent_.push_back(s);
    while (!recent_.empty() && s.time - recent_.front().time >= kWindow)
        recent_.pop_front();
    return lamps(s) + digits(s) + matrix(s) + lcd(s) + motors(s) + others(s);
}

QByteArray Printer::events(const std::vector<sim::Event>& events) {
    QByteArray out;
    for (const sim::Event& e : events)
        out += line(e.time, "EVENT " + e.text);
    return out;
}

QByteArray Printer::lamps(const sim::Snapshot& s) {
    if (s.lamps.empty())
        return {};
    std::string text;
    for (int i = 1; i <= 12; ++i) {
        const auto it = s.lamps.find("L" + std::to_string(i));
        if (i > 8 && it != s.lamps.end() && it->second >= 0.5)
            wideLamps_ = true;
    }
    const int count = wideLamps_ ? 12 : 8;
    text = wideLamps_ ? "L1\u2013L12 " : "L1\u2013L8 ";
    for (int i = 1; i <= count; ++i) {
        const auto it = s.lamps.find("L" + std::to_string(i));
        text += it != s.lamps.end() && it->second >= 0.5 ? kLit : kDark;
    }
    if (text == lampText_)
        return {};
    lampText_ = text;
    return line(s.time, text);
}

// The window's brightness of each digit's segments, summed as on-time.
QByteArray Printer::digits(const sim::Snapshot& s) {
    if (s.digits.empty())
        return {};
    std::vector<std::array<double, 8>> sum(s.digits.size());
    sim::Time span = 0;
    for (const sim::Snapshot& r : recent_) {
        span += r.frame;
        for (std::size_t d = 0; d < std::min(sum.size(), r.digits.size()); ++d)
            for (int g = 0; g < 8; ++g)
                sum[d][size_t(g)] += r.digits[d].segments[size_t(g)] * double(r.frame);
    }
    // Read as the display's own reader reads a frame, with the window's shares.
    double brightest = 0;
    for (auto& d : sum)
        for (double& g : d)
            brightest = std::max(brightest, g /= std::max<double>(1.0, double(span)));
    std::string text;
    for (const auto& d : sum)
        text += sim::readDigit(d, brightest);
    if (text == digitText_ || (digitText_.empty() && text.find_first_not_of(' ') == std::string::npos)) {
        digitCandidate_.clear();
        return {};
    }
    if (text != digitCandidate_) {
        digitCandidate_ = text;
        digitSince_ = s.time;
    }
    if (s.time - digitSince_ < kSteady)
        return {};
    digitText_ = text;
    return line(s.time, "DIGITS [" + text + "]");
}

QByteArray Printer::matrix(const sim::Snapshot& s) {
    if (s.matrix.empty())
        return {};
    const std::size_t rows = s.matrix.size(), cols = s.matrix[0].size();
    std::vector<double> sum(rows * cols);
    sim::Time span = 0;
    for (const sim::Snapshot& r : recent_) {
        span += r.frame;
        for (std::size_t y = 0; y < std::min(rows, r.matrix.size()); ++y)
            for (std::size_t x = 0; x < std::min(cols, r.matrix[y].size()); ++x)
                sum[y * cols + x] += r.matrix[y][x] * double(r.frame);
    }
    const double brightest = sum.empty() ? 0 : *std::max_element(sum.begin(), sum.end());
    std::string text;
    bool any = false;
    for (std::size_t y = 0; y < rows; ++y) {
        text += std::string(12, ' ');
        for (std::size_t x = 0; x < cols; ++x) {
            const bool lit = span > 0 && brightest >= kFloor * double(span) && sum[y * cols + x] >= kLitShare * brightest;
            any = any || lit;
            text += lit ? kLit : kDark;
        }
        text += '\n';
    }
    if (text == matrixText_ || (matrixText_.empty() && !any)) {
        matrixCandidate_.clear();
        return {};
    }
    if (text != matrixCandidate_) {
        matrixCandidate_ = text;
        matrixSince_ = s.time;
    }
    if (s.time - matrixSince_ < kSteady)
        return {};
    matrixText_ = text;
    return line(s.time, "MATRIX") + QByteArray::fromStdString(text);
}

QByteArray Printer::lcd(const sim::Snapshot& s) {
    if (s.lcdLines.empty())
        return {};
    const bool blank = std::all_of(s.lcdLines.begin(), s.lcdLines.end(),
                                   [](const std::string& l) { return l.find_first_not_of(' ') == std::string::npos; });
    if (!lcdShown_ && (blank || !s.lcdOn))
        return {};
    QByteArray out;
    if (!s.lcdOn) {
        if (!lcdLines_.empty())
            out = line(s.time, "LCD off");
        lcdLines_.clear();
        return out;
    }
    lcdShown_ = true;
    lcdLines_.resize(s.lcdLines.size());
    for (std::size_t i = 0; i < s.lcdLines.size(); ++i)
        if (s.lcdLines[i] != lcdLines_[i]) {
            lcdLines_[i] = s.lcdLines[i];
            out += line(s.time, "LCD" + std::to_string(i + 1) + " [" + s.lcdLines[i] + "]");
        }
    return out;
}

namespace {

constexpr sim::Time kSpeedEvery = 100 * sim::kMillisecond; // while a motor speeds up, a line at most this often

// A speed is shown again when it stopped, started or turned round, or moved by more than 2 % (at least
// 1 rpm) and the last line is old enough.
bool speedChanged(double now, double shown, sim::Time since) {
    if ((now == 0) != (shown == 0) || (now > 0) != (shown > 0))
        return true;
    return since >= kSpeedEvery && std::fabs(now - shown) > std::max(1.0, 0.02 * std::fabs(shown));
}

} // namespace

QByteArray Printer::motors(const sim::Snapshot& s) {
    QByteArray out;
    char text[96];
    if (s.stepper && (stepperText_.empty() ? s.stepper->rpm != 0
                                            : speedChanged(s.stepper->rpm, stepperRpm_, s.time - stepperAt_))) {
        std::snprintf(text, sizeof text, "STEPPER %.1f\u00B0 %+.0f rpm", s.stepper->angle, s.stepper->rpm);
        stepperText_ = text;
        stepperRpm_ = s.stepper->rpm;
        stepperAt_ = s.time;
        out += line(s.time, text);
    }
    if (s.dcMotor && (dcText_.empty() ? std::fabs(s.dcMotor->rpm) >= 1 : speedChanged(s.dcMotor->rpm, dcRpm_, s.time - dcAt_))) {
        std::snprintf(text, sizeof text, "DCMOTOR %.0f rpm", s.dcMotor->rpm);
        dcText_ = text;
        dcRpm_ = s.dcMotor->rpm;
        dcAt_ = s.time;
        out += line(s.time, text);
    }
    return out;
}

QByteArray Printer::others(const sim::Snapshot& s) {
    QByteArray out;
    char text[64];
    std::snprintf(text, sizeof text, "SPEAKER %.0f Hz", s.speakerHz);
    if (text != speakerText_ && !(speakerText_.empty() && s.speakerHz == 0)) {
        speakerText_ = text;
        out += line(s.time, text);
    }
    std::string relays;
    for (std::size_t i = 0; i < s.relays.size(); ++i)
        relays += std::string(i ? " " : "") + (s.relays[i] ? "on" : "off");
    if (relays != relayText_ && !(relayText_.empty() && relays.find("on") == std::string::npos)) {
        relayText_ = relays;
        out += line(s.time, "RELAY " + relays);
    }
    if (s.uartText.size() > uartSeen_) {
        std::string hex, shown;
        for (std::size_t i = uartSeen_; i < s.uartText.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(s.uartText[i]);
            std::snprintf(text, sizeof text, "%s%02X", hex.empty() ? "" : " ", c);
            hex += text;
            shown += c >= 0x20 && c < 0x7F ? char(c) : '.';
        }
        uartSeen_ = s.uartText.size();
        out += line(s.time, "UART " + hex + " |" + shown + "|");
    }
    return out;
}

} // namespace runprint
