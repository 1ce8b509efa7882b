#pragma once
// The oscilloscope of a virtual run: a small window with two channels (the DAC's output and a net the user
// picks), fed with timed samples by the run and drawn only when refresh() is called (60 times a second),
// never per sample.
#include <QString>
#include <QWidget>

#include <array>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;

namespace boards {

// The samples of one channel, coalesced into short time slots and kept in a ring of fixed size, so that
// memory stays bounded whatever the rate samples come at. A sample is a level that holds until the next.
class ScopeTrace {
public:
    static constexpr int kCapacity = 4096;

    struct Slot {
        double time = 0; // the first sample's
        float low = 0, high = 0, last = 0;
    };

    // Samples closer than `width` seconds to the start of the newest slot join it.
    void setSlotWidth(double width);
    void add(double seconds, double volts);
    void clear();

    int size() const { return size_; }
    const Slot& at(int i) const { return slots_[std::size_t((head_ + i) % kCapacity)]; }
    // The first slot that starts at or after `seconds` (size() when none does).
    int lowerBound(double seconds) const;

private:
    std::vector<Slot> slots_ = std::vector<Slot>(kCapacity);
    int head_ = 0;
    int size_ = 0;
    double width_ = 0;
};

class ScopeWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = 2;
    static constexpr int kDivisions = 10;   // across
    static constexpr int kRows = 8;         // up and down
    static constexpr int kColumns = 500;    // the plotted model's resolution across the screen
    static constexpr int kTriggerDivision = 1; // the trigger point, in divisions from the left
    static constexpr int kTriggerColumn = kTriggerDivision * kColumns / kDivisions;

    // What the screen shows, as data: per channel one column after the other, each the range of levels
    // the channel had during its time.
    struct Column {
        bool valid = false; // false before the channel's first sample and after the latest time
        double low = 0, high = 0;
    };
    struct Frame {
        double start = 0;         // time at the left edge, seconds
        double span = 0;          // seconds across the screen
        bool triggered = false;   // a rising edge of channel 1 sits at the trigger point
        double triggerLevel = 0;  // volts
        std::array<std::vector<Column>, kChannels> columns;
    };

    explicit ScopeWindow(QWidget* parent = nullptr);

    // channel 0: the DAC, in volts; channel 1: the picked net (0 or 5 V). Times are the run's seconds.
    void addSamples(int channel, const std::vector<std::pair<double, double>>& samples);
    void setChannelName(int channel, const QString& name);
    QString channelName(int channel) const;
    // The run's time now: the screen runs up to it even while no level changes.
    void setTime(double seconds);
    // Computes the frame from what was fed and repaints.
    void refresh();
    // Drops every sample (a new run).
    void clear();

    const Frame& frame() const { return frame_; }
    const ScopeTrace& trace(int channel) const { return traces_[std::size_t(channel)]; }

    double secondsPerDivision() const;
    double voltsPerDivision() const;
    bool triggerOn() const;
    QComboBox* timeBaseBox() const { return timeBase_; }
    QComboBox* voltsBox() const { return volts_; }
    QComboBox* triggerBox() const { return trigger_; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Screen;
    void timeBaseChanged();
    void updateLegend();
    std::vector<Column> columnsOf(const ScopeTrace& trace, double origin, double span) const;
    bool findTrigger(double* edge, double* level) const;

    std::array<ScopeTrace, kChannels> traces_;
    std::array<QString, kChannels> names_;
    double now_ = 0;
    bool any_ = false;
    Frame frame_;
    Screen* screen_ = nullptr;
    QComboBox* timeBase_ = nullptr;
    QComboBox* volts_ = nullptr;
    QComboBox* trigger_ = nullptr;
    QLabel* legend_ = nullptr;
};

} // namespace boards
