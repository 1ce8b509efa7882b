#include "boards/RunInstruments.h"

#include "base/Zoom.h"
#include "boards/BoardForm.h"
#include "boards/BoardZoom.h"
#include "boards/Instruments.h"
#include "engine/TerminalName.h"
#include "sim/devices/Digits.h"
#include "widgets/iLCDMatrix.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iMotor.h"
#include "widgets/iPhonePad.h"
#include "widgets/iSevenSegmentCharacter.h"
#include "widgets/iSwitchRocker.h"
#include "widgets/iSwitchRocker3Way.h"

#include <QDoubleSpinBox>
#include <QEvent>
#include <QMouseEvent>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace boards {

namespace {

// A keypad reports a key while the mouse holds it down, not only on its click.
class KeyHold : public QObject {
public:
    KeyHold(TiPhonePad* pad, RunInstruments::SettingSink sink) : QObject(pad), pad_(pad), sink_(std::move(sink)) {
        pad->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const int key = pad_->KeyIndexAt(zoom::toDesign(static_cast<QMouseEvent*>(event)->position(), pad_->Zoom()));
            release();
            if (key >= 0) {
                held_ = "KEY:" + pad_->ButtonCaption(key).trimmed().toStdString();
                sink_(held_, 1);
            }
        } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Hide) {
            release();
        }
        return false;
    }

private:
    void release() {
        if (!held_.empty())
            sink_(std::exchange(held_, {}), 0);
    }
    TiPhonePad* pad_;
    RunInstruments::SettingSink sink_;
    std::string held_;
};

const QRegularExpression& switchName() {
    static const QRegularExpression re(QStringLiteral("^K[1-8]$"));
    return re;
}

const QRegularExpression& lampName() {
    static const QRegularExpression re(QStringLiteral("^L([1-9]|1[0-2])$"));
    return re;
}

QColor blend(const QColor& off, const QColor& on, double share) {
    share = std::clamp(share, 0.0, 1.0);
    return QColor::fromRgbF(float(off.redF() + (on.redF() - off.redF()) * share),
                            float(off.greenF() + (on.greenF() - off.greenF()) * share),
                            float(off.blueF() + (on.blueF() - off.blueF()) * share));
}

} // namespace

RunInstruments::RunInstruments(BoardForm& form, SettingSink sink) : QObject(&form), form_(form), sink_(std::move(sink)) {
    const QList<Component>& cs = form.components();
    for (int i = 0; i < cs.size(); ++i) {
        const Component& c = cs[i];
        if (c.kind == ComponentKind::Terminal) {
            const QString name = terminalname::of(c.name);
            if (lampName().match(name).hasMatch())
                lamps_.append({name, form.componentRect(i)});
            continue;
        }
        if (c.kind != ComponentKind::Widget || !form.widgetOf(i))
            continue;
        const QString& cls = c.widgetClass;
        if (cls == u"TiSevenSegmentCharacter") {
            auto* w = static_cast<TiSevenSegmentCharacter*>(makeTwin(i));
            w->setUseSegmentBits(true);
            w->setSegmentBits(0);
            digits_ << w;
        } else if (cls == u"TiLedMatrix" && c.properties.value(QStringLiteral("ColCount")).toInt() == 16) {
            matrix_ = static_cast<TiLedMatrix*>(makeTwin(i));
            for (int r = 0; r < 16; ++r)
                for (int col = 0; col < 16; ++col)
                    matrix_->SetIndicatorActive(r, col, false);
        } else if (cls == u"TiLCDMatrix") {
            lcd_ = static_cast<TiLCDMatrix*>(makeTwin(i));
            lcd_->setText(QString());
        } else if (cls == u"TiMotor") {
            auto* m = static_cast<TiMotor*>(makeTwin(i));
            m->setFanOn(false); // turned by the model, not by its own timer
            (c.hint.contains(QStringLiteral("步进")) ? stepper_ : dcMotor_) = m;
        } else if (cls == u"TiSwitchRocker" && switchName().match(c.name.toUpper()).hasMatch()) {
            auto* w = static_cast<TiSwitchRocker*>(makeTwin(i));
            const std::string setting = c.name.toUpper().toStdString();
            QPointer<TiSwitchRocker> guard(w);
            connect(w, &TiSwitchRocker::change, this, [this, w, setting] { sink_(setting, w->Active() ? 1 : 0); });
            held_.append({setting, [guard] { return guard && guard->Active() ? 1.0 : 0.0; }});
        } else if (cls == u"TiSwitchRocker3Way" && c.hint.trimmed().toUpper() == u"AN0") {
            // The single-pulse key: pressed while either end of the rocker is held.
            auto* w = static_cast<TiSwitchRocker3Way*>(makeTwin(i));
            for (auto signal : {&TiSwitchRocker3Way::upClick, &TiSwitchRocker3Way::downClick})
                connect(w, signal, this, [this] {
                    sink_("PULSE", 1);
                    sink_("PULSE", 0);
                });
        } else if (cls == u"TiPhonePad") {
            new KeyHold(static_cast<TiPhonePad*>(makeTwin(i)), sink_);
        }
    }
    addValueControl(QStringLiteral("18B20"), QStringLiteral("温度"), "TEMP", 25.0, -55, 125, 0.5, QStringLiteral(" ℃"));
    addValueControl(QStringLiteral("运放"), QStringLiteral("电位器"), "AOUT1", 2.5, 0, 5, 0.1, QStringLiteral(" V"));
}

void RunInstruments::restore() {
    for (const QPointer<QWidget>& c : controls_)
        if (c) {
            c->hide();
            c->disconnect(this);
        }
    controls_.clear();
    for (const Twin& t : twins_) {
        delete t.twin.data();
        if (t.original)
            t.original->setVisible(t.originalVisible);
    }
    twins_.clear();
}

RunInstruments::~RunInstruments() = default;

QWidget* RunInstruments::makeTwin(int index) {
    QWidget* original = form_.widgetOf(index);
    QWidget* twin = createInstrument(form_.components()[index], original->parentWidget());
    twin->setObjectName(original->objectName() + QStringLiteral("_run"));
    // In the original's place, at the board's zoom.
    if (auto* ti = qobject_cast<TiComponent*>(twin)) {
        const auto* shown = qobject_cast<TiComponent*>(original);
        const QRect r = shown ? shown->DesignedRect() : original->geometry();
        ti->setZoom(shown ? shown->Zoom() : 1.0);
        ti->SetBounds(r.x(), r.y(), r.width(), r.height());
    } else {
        twin->setGeometry(form_.components()[index].rect);
        keepDesigned(twin);
        zoomWidget(twin, form_.zoom());
    }
    twin->setToolTip(original->toolTip());
    twin->stackUnder(original);
    twins_.append({original, twin, original->isVisibleTo(original->parentWidget())});
    twin->setVisible(twins_.last().originalVisible);
    original->hide();
    return twin;
}

void RunInstruments::addValueControl(const QString& block, const QString& caption, const std::string& setting,
                                     double value, double low, double high, double step, const QString& suffix) {
    const QList<Component>& cs = form_.components();
    const auto it = std::find_if(cs.begin(), cs.end(), [&](const Component& c) {
        return c.kind == ComponentKind::Block && c.caption.trimmed() == block;
    });
    if (it == cs.end())
        return;
    // Made once a board and kept hidden between runs: a spin box made and destroyed each run leaves a few
    // kilobytes behind in Qt every time.
    const QString name = QString::fromStdString(setting) + QStringLiteral("_control");
    auto* box = form_.boardArea()->findChild<QDoubleSpinBox*>(name, Qt::FindDirectChildrenOnly);
    if (!box) {
        box = new QDoubleSpinBox(form_.boardArea());
        box->setObjectName(name);
        box->setRange(low, high);
        box->setSingleStep(step);
        box->setDecimals(step < 1 ? 1 : 0);
        box->setSuffix(suffix);
        box->setToolTip(caption);
        box->setKeyboardTracking(false);
        QFont f = box->font();
        f.setPixelSize(10);
        box->setFont(f);
        // Along the bottom edge of its block, inside it.
        const QRect r = it->rect;
        const int h = 16;
        box->setGeometry(r.left() + 2, r.bottom() - h - 1, std::min(r.width() - 4, 64), h);
        keepDesigned(box);
    }
    zoomWidget(box, form_.zoom());
    box->setValue(value); // each run starts the same
    box->show();
    box->raise();
    connect(box, &QDoubleSpinBox::valueChanged, this, [this, setting](double v) { sink_(setting, v); });
    QPointer<QDoubleSpinBox> guard(box);
    held_.append({setting, [guard, value] { return guard ? guard->value() : value; }});
    controls_ << box;
}

void RunInstruments::replaySettings() const {
    for (const auto& [setting, value] : held_)
        sink_(setting, value());
}

bool RunInstruments::toggleSwitch(int number) {
    auto* w = qobject_cast<TiSwitchRocker*>(twinOf(QStringLiteral("K%1").arg(number)));
    if (!w)
        return false;
    w->setActive(!w->Active());
    return true;
}

QWidget* RunInstruments::twinOf(const QString& name) const {
    for (const Twin& t : twins_)
        if (t.original && t.original->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return t.twin;
    return nullptr;
}

QList<TiSevenSegmentCharacter*> RunInstruments::digits() const {
    QList<TiSevenSegmentCharacter*> out;
    for (const auto& d : digits_)
        if (d)
            out << d;
    return out;
}

void RunInstruments::show(const sim::Snapshot& s) {
    // Digits: a segment lit for a fair share of the frame shows steady, as the eye sees a scanned display.
    const double brightest = sim::brightestSegment(s.digits);
    for (int i = 0; i < digits_.size() && i < int(s.digits.size()); ++i)
        if (digits_[i])
            digits_[i]->setSegmentBits(sim::litSegments(s.digits[std::size_t(i)].segments, brightest) & 0x7F);

    if (matrix_ && !s.matrix.empty()) {
        double most = 0;
        for (const auto& row : s.matrix)
            for (double b : row)
                most = std::max(most, b);
        // A dot scanned for a fair share of the frame is lit, as bright as its share against the brightest;
        // brief glimpses while the columns change do not ghost.
        const QColor on = matrix_->IndicatorActiveColor();
        const QColor faint = blend(matrix_->BackGroundColor(), on, 0.35);
        for (int r = 0; r < 16 && r < int(s.matrix.size()); ++r)
            for (int c = 0; c < 16 && c < int(s.matrix[std::size_t(r)].size()); ++c) {
                const double share = most > 0.01 ? s.matrix[std::size_t(r)][std::size_t(c)] / most : 0;
                const bool lit = share >= 0.25;
                matrix_->SetIndicatorActive(r, c, lit);
                if (lit)
                    matrix_->SetIndicatorColor(r, c, blend(faint, on, share));
            }
    }

    if (lcd_) {
        QByteArray text;
        if (s.lcdOn) {
            const int columns = std::max(1, lcd_->ComputeLayout().columns);
            for (const std::string& line : s.lcdLines)
                text += QByteArray::fromStdString(line).leftJustified(columns, ' ', true);
        }
        if (text != lcd_->TextBytes())
            lcd_->setTextBytes(text);
    }

    auto turn = [](TiMotor* m, const std::optional<sim::Snapshot::Motor>& motor) {
        if (!m || !motor)
            return;
        // The fan's six sectors repeat every 120 degrees: each step of its sequence is 60 degrees clockwise.
        const int sector = int(std::floor(motor->angle / 60.0));
        m->setFanSequence(((sector % 3) + 3) % 3);
    };
    turn(stepper_, s.stepper);
    turn(dcMotor_, s.dcMotor);
}

} // namespace boards
