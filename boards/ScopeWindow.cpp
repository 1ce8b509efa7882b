#include "boards/ScopeWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace boards {

namespace {

struct Step {
    double value;
    const char* text;
};

constexpr Step kTimeBases[] = {{0.001, "1 ms/格"}, {0.002, "2 ms/格"},   {0.005, "5 ms/格"},   {0.01, "10 ms/格"},
                               {0.02, "20 ms/格"}, {0.05, "50 ms/格"},   {0.1, "100 ms/格"},   {0.2, "200 ms/格"},
                               {0.5, "500 ms/格"}, {1.0, "1 s/格"}};
constexpr int kDefaultTimeBase = 3;
constexpr Step kVoltSteps[] = {{0.1, "0.1 V/格"}, {0.2, "0.2 V/格"}, {0.5, "0.5 V/格"},
                               {1.0, "1 V/格"},   {2.0, "2 V/格"},   {5.0, "5 V/格"}};
constexpr int kDefaultVolts = 4;

// A slot is half a column wide, so a column's range is exact to within half a column.
constexpr int kSlotsPerColumn = 2;
// An edge older than this many screens no longer holds the picture: the screen runs free.
constexpr double kTriggerScreens = 2;

// Zero volts of each channel, in divisions below the screen's middle: the net's 0/5 V under the DAC's trace.
constexpr double kZeroRow[ScopeWindow::kChannels] = {0, 3};
const QColor kTraceColour[ScopeWindow::kChannels] = {QColor(240, 220, 40), QColor(60, 210, 230)};

} // namespace

// ---- ScopeTrace

void ScopeTrace::setSlotWidth(double width) { width_ = width; }

void ScopeTrace::add(double seconds, double volts) {
    const auto v = float(volts);
    if (size_ > 0) {
        Slot& newest = slots_[std::size_t((head_ + size_ - 1) % kCapacity)];
        // Within the newest slot, or out of order: joins it, so the ring stays sorted by time.
        if (seconds < newest.time + width_) {
            newest.low = std::min(newest.low, v);
            newest.high = std::max(newest.high, v);
            newest.last = v;
            return;
        }
    }
    if (size_ == kCapacity) {
        head_ = (head_ + 1) % kCapacity;
        --size_;
    }
    slots_[std::size_t((head_ + size_) % kCapacity)] = Slot{seconds, v, v, v};
    ++size_;
}

void ScopeTrace::clear() {
    head_ = 0;
    size_ = 0;
}

int ScopeTrace::lowerBound(double seconds) const {
    int lo = 0, hi = size_;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (at(mid).time < seconds)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// ---- the screen

class ScopeWindow::Screen : public QWidget {
public:
    explicit Screen(ScopeWindow* scope) : QWidget(scope), scope_(scope) {
        setMinimumSize(400, 260);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const double w = width(), h = height();
        const double dx = w / kDivisions, dy = h / kRows;
        p.fillRect(rect(), QColor(16, 24, 16));
        p.setPen(QPen(QColor(70, 90, 70), 0, Qt::DotLine));
        for (int i = 1; i < kDivisions; ++i)
            p.drawLine(QPointF(i * dx, 0), QPointF(i * dx, h));
        for (int i = 1; i < kRows; ++i)
            p.drawLine(QPointF(0, i * dy), QPointF(w, i * dy));

        const Frame& frame = scope_->frame();
        if (frame.triggered) {
            p.setPen(QPen(QColor(200, 120, 60), 0, Qt::DashLine));
            p.drawLine(QPointF(kTriggerDivision * dx, 0), QPointF(kTriggerDivision * dx, h));
        }
        const double vdiv = scope_->voltsPerDivision();
        const double cw = w / kColumns;
        for (int ch = 0; ch < kChannels; ++ch) {
            const double zero = h / 2 + kZeroRow[ch] * dy;
            auto y = [&](double v) { return std::clamp(zero - v / vdiv * dy, -1.0, h + 1); };
            p.setPen(QPen(kTraceColour[ch], 0, Qt::DashLine));
            p.drawLine(QPointF(0, zero), QPointF(6, zero)); // the channel's zero mark
            const auto& cols = frame.columns[std::size_t(ch)];
            QList<QLineF> lines;
            lines.reserve(3 * kColumns);
            for (int c = 0; c < int(cols.size()); ++c) {
                const Column& col = cols[std::size_t(c)];
                if (!col.valid)
                    continue;
                const double x0 = c * cw, x1 = (c + 1) * cw;
                double low = col.low, high = col.high;
                // Joined to the column before, so that an edge between two columns is drawn too.
                if (c > 0 && cols[std::size_t(c - 1)].valid) {
                    low = std::min(low, cols[std::size_t(c - 1)].high);
                    high = std::max(high, cols[std::size_t(c - 1)].low);
                }
                lines.append(QLineF(x0, y(low), x0, y(high)));
                lines.append(QLineF(x0, y(col.high), x1, y(col.high)));
                if (col.low != col.high)
                    lines.append(QLineF(x0, y(col.low), x1, y(col.low)));
            }
            p.setPen(QPen(kTraceColour[ch], 0));
            p.drawLines(lines);
        }
    }

private:
    ScopeWindow* scope_;
};

// ---- the window

ScopeWindow::ScopeWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("示波器"));

    timeBase_ = new QComboBox(this);
    for (const Step& s : kTimeBases)
        timeBase_->addItem(QString::fromUtf8(s.text), s.value);
    timeBase_->setCurrentIndex(kDefaultTimeBase);
    volts_ = new QComboBox(this);
    for (const Step& s : kVoltSteps)
        volts_->addItem(QString::fromUtf8(s.text), s.value);
    volts_->setCurrentIndex(kDefaultVolts);
    trigger_ = new QComboBox(this);
    trigger_->addItem(QStringLiteral("自动"));
    trigger_->addItem(QStringLiteral("关"));

    screen_ = new Screen(this);
    legend_ = new QLabel(this);
    legend_->setTextFormat(Qt::RichText);
    auto* hint = new QLabel(QStringLiteral("点击板上的端子以观察其电平"), this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("时基"), this));
    controls->addWidget(timeBase_);
    controls->addWidget(new QLabel(QStringLiteral("灵敏度"), this));
    controls->addWidget(volts_);
    controls->addWidget(new QLabel(QStringLiteral("触发"), this));
    controls->addWidget(trigger_);
    controls->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screen_, 1);
    layout->addWidget(legend_);
    layout->addLayout(controls);
    layout->addWidget(hint);

    connect(timeBase_, &QComboBox::currentIndexChanged, this, [this] { timeBaseChanged(); });
    connect(volts_, &QComboBox::currentIndexChanged, this, [this] { screen_->update(); });
    connect(trigger_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    timeBaseChanged();
    updateLegend();
}

double ScopeWindow::secondsPerDivision() const { return timeBase_->currentData().toDouble(); }
double ScopeWindow::voltsPerDivision() const { return volts_->currentData().toDouble(); }
bool ScopeWindow::triggerOn() const { return trigger_->currentIndex() == 0; }

void ScopeWindow::timeBaseChanged() {
    const double width = secondsPerDivision() * kDivisions / (kColumns * kSlotsPerColumn);
    for (ScopeTrace& t : traces_)
        t.setSlotWidth(width);
    refresh();
}

void ScopeWindow::addSamples(int channel, const std::vector<std::pair<double, double>>& samples) {
    if (channel < 0 || channel >= kChannels)
        return;
    ScopeTrace& trace = traces_[std::size_t(channel)];
    for (const auto& s : samples) {
        trace.add(s.first, s.second);
        now_ = std::max(now_, s.first);
    }
    any_ = any_ || !samples.empty();
}

void ScopeWindow::setChannelName(int channel, const QString& name) {
    if (channel < 0 || channel >= kChannels)
        return;
    names_[std::size_t(channel)] = name;
    updateLegend();
}

QString ScopeWindow::channelName(int channel) const {
    return channel >= 0 && channel < kChannels ? names_[std::size_t(channel)] : QString();
}

void ScopeWindow::updateLegend() {
    QString text;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (names_[std::size_t(ch)].isEmpty())
            continue;
        text += QStringLiteral("<span style=\"color:%1\">■</span> %2&nbsp;&nbsp;&nbsp;")
                    .arg(kTraceColour[ch].name(), names_[std::size_t(ch)].toHtmlEscaped());
    }
    legend_->setText(text);
}

void ScopeWindow::setTime(double seconds) { now_ = std::max(now_, seconds); }

void ScopeWindow::clear() {
    for (ScopeTrace& t : traces_)
        t.clear();
    now_ = 0;
    any_ = false;
    refresh();
}

bool ScopeWindow::findTrigger(double* edge, double* level) const {
    const ScopeTrace& t = traces_[0];
    const double span = secondsPerDivision() * kDivisions;
    const double after = span - secondsPerDivision() * kTriggerDivision; // screen right of the trigger point
    const int first = std::max(1, t.lowerBound(now_ - kTriggerScreens * span - span));
    if (first >= t.size())
        return false;
    // The level halfway between the lowest and the highest level of late: any signal's range triggers.
    float low = t.at(first - 1).last, high = low;
    for (int i = first; i < t.size(); ++i) {
        low = std::min(low, t.at(i).low);
        high = std::max(high, t.at(i).high);
    }
    if (high - low < 1e-3f)
        return false;
    *level = (double(low) + high) / 2;
    // The latest rising edge that leaves a whole screen to draw.
    for (int i = t.lowerBound(now_ - after + 1e-12) - 1; i >= first; --i) {
        const ScopeTrace::Slot& s = t.at(i);
        if (s.time < now_ - kTriggerScreens * span)
            break;
        if (t.at(i - 1).last < *level && s.high >= *level) {
            *edge = s.time;
            return true;
        }
    }
    return false;
}

std::vector<ScopeWindow::Column> ScopeWindow::columnsOf(const ScopeTrace& trace, double origin, double span) const {
    std::vector<Column> cols(kColumns);
    const double width = span / kColumns;
    // Columns are measured from the trigger point, so that an edge found there starts exactly its column.
    auto columnStart = [&](int c) { return origin + (c - kTriggerColumn) * width; };
    int i = trace.lowerBound(columnStart(0));
    bool have = i > 0;
    double held = have ? trace.at(i - 1).last : 0;
    for (int c = 0; c < kColumns; ++c) {
        const double c0 = columnStart(c), c1 = columnStart(c + 1);
        if (c0 > now_)
            break;
        Column col{have, held, held};
        for (; i < trace.size() && trace.at(i).time < c1; ++i) {
            const ScopeTrace::Slot& s = trace.at(i);
            if (!col.valid)
                col = Column{true, s.low, s.high};
            col.low = std::min<double>(col.low, s.low);
            col.high = std::max<double>(col.high, s.high);
            held = s.last;
            have = true;
        }
        cols[std::size_t(c)] = col;
    }
    return cols;
}

void ScopeWindow::refresh() {
    const double division = secondsPerDivision();
    const double span = division * kDivisions;
    Frame f;
    f.span = span;
    double origin = 0, level = 0;
    if (any_ && triggerOn() && findTrigger(&origin, &level)) {
        f.triggered = true;
        f.triggerLevel = level;
    } else {
        // Free running: the latest screenful, the first one filling from the left.
        origin = std::max(0.0, now_ - span) + division * kTriggerDivision;
    }
    f.start = origin - division * kTriggerDivision;
    for (int ch = 0; ch < kChannels; ++ch)
        f.columns[std::size_t(ch)] = columnsOf(traces_[std::size_t(ch)], origin, span);
    frame_ = std::move(f);
    if (isVisible())
        screen_->update();
}

void ScopeWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

} // namespace boards
