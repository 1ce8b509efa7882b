#include "boards/BoardGuide.h"

#include "boards/BoardForm.h"
#include "engine/TerminalName.h"

#include <QComboBox>
#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>

#include <QPushButton>
#include <utility>

namespace boards {

GuideOptions& GuideOptions::instance() {
    static GuideOptions options;
    return options;
}

void GuideOptions::setNames(bool on) {
    if (on == names_)
        return;
    names_ = on;
    emit changed();
}

void GuideOptions::setOverview(bool on) {
    if (on == overview_)
        return;
    overview_ = on;
    emit changed();
}

BoardGuide* BoardGuide::of(const BoardForm& form) {
    return form.findChild<BoardGuide*>(QStringLiteral("guide"));
}

BoardGuide* BoardGuide::attach(BoardForm& form) {
    if (BoardGuide* g = of(form))
        return g;
    return new BoardGuide(form);
}

BoardGuide::BoardGuide(BoardForm& form) : QWidget(form.Panel2()), form_(form), index_(form) {
    setObjectName(QStringLiteral("guide"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    plateSpace_ = plateSpace(form.components(), form.boardArea()->designedSize());
    for (int i = 0; i < form.componentCount(); ++i)
        if (form.components()[i].kind == ComponentKind::Terminal)
            terminals_ << form.componentRect(i);
    follow();
    raise(); // above the board area, its instrument widgets and the frame's widgets

    BoardArea* area = form.boardArea();
    area->installEventFilter(this);
    area->setMouseTracking(true); // hover rings and the hand cursor follow the mouse without a button
    form.installEventFilter(this);
    // Widgets that open a picture show the hand.
    for (int i = 0; i < form.componentCount(); ++i)
        if (QWidget* w = form.widgetOf(i); w && form.clickWired(i))
            w->setCursor(Qt::PointingHandCursor);

    // Connected after the form's own handlers, so these run once the handler has done its work.
    connect(form.cbExam(), &QComboBox::activated, this, [this] {
        if (form_.cbExam()->currentIndex() < 0 || ExperimentRecord.ExperimentName.isEmpty()) {
            clearExperiment();
            return;
        }
        QList<QByteArray> steps;
        if (WiringSteps)
            steps = WiringSteps->mid(0, std::max(0, std::min<int>(LastStep + 1, WiringSteps->size())));
        setWiring(ExperimentRecord.ExperimentName.toString(), steps);
        if (form_.BitBtn_next()->isEnabled())
            form_.BitBtn_next()->setFocus(Qt::OtherFocusReason);
    });
    if (form.layout().panel.typeHandler)
        connect(form.RGTYPE(), &TRadioGroup::clicked, this, &BoardGuide::clearExperiment);
    connect(&form, &BoardForm::stepTried, this, &BoardGuide::setShownStep);
    connect(&GuideOptions::instance(), &GuideOptions::changed, this, &BoardGuide::rebuild);

    pulse_.setInterval(40);
    connect(&pulse_, &QTimer::timeout, this, [this] {
        if (pulseClock_.elapsed() >= kPulseMs) {
            pulse_.stop();
            found_ = -1;
            rebuild();
        } else {
            update();
        }
    });
    rebuild();
}

void BoardGuide::follow() {
    setGeometry(form_.boardArea()->geometry());
}

void BoardGuide::setWiring(const QString& experimentName, const QList<QByteArray>& steps) {
    experiment_ = true;
    experimentName_ = experimentName;
    steps_ = steps;
    plans_ = planWiring(steps_, form_, index_);
    shown_ = -1;
    labelled_.reset();
    rebuild();
}

void BoardGuide::clearExperiment() {
    experiment_ = false;
    experimentName_.clear();
    steps_.clear();
    plans_.clear();
    shown_ = -1;
    labelled_.reset();
    rebuild();
}

void BoardGuide::setShownStep(int index) {
    if (index < 0 || index >= plans_.size())
        return; // not a step of the experiment the guide knows: nothing new to say
    shown_ = index;
    const StepPlan& p = plans_[index];
    if (p.drawable()) {
        labelled_ = p.connection();
        labelFrom_ = terminalCaption(QString::fromLatin1(p.first), hintOf(p.firstIndex));
        labelTo_ = terminalCaption(QString::fromLatin1(p.second), hintOf(p.secondIndex));
    }
    rebuild();
}

void BoardGuide::rebuild() {
    const int count = int(plans_.size());
    plateWarning_ = false;
    if (!experiment_) {
        plate_ = platetext::chooseExperiment();
    } else if (shown_ < 0) {
        plate_ = platetext::beforeFirstStep(experimentName_, count);
    } else {
        const StepPlan& p = plans_[shown_];
        plate_ = platetext::step(shown_, count, p, hintOf(p.firstIndex), hintOf(p.secondIndex));
        plateWarning_ = !p.drawable();
    }
    cacheValid_ = false;
    numbers_ = placeNumbers(scene());
    if (numbers_.hidden > 0)
        plate_ += platetext::someNumbersHidden();
    setVisible(!scene().empty());
    raise();
    update();
}

GuideScene BoardGuide::scene() const {
    const GuideOptions& o = GuideOptions::instance();
    GuideScene s;
    s.area = form_.boardArea()->designedSize();
    s.plateSpace = plateSpace_;
    s.terminals = terminals_;
    s.names = o.names();
    s.overview = o.overview() && experiment_;
    s.plate = plateHidden_ ? QString() : plate_;
    s.plateWarning = plateWarning_;
    // Labels go with the connection the link layer shows, as long as it is the one labelled.
    const auto& drawn = form_.boardArea()->connection();
    if (drawn && labelled_ && *drawn == *labelled_) {
        s.shown = drawn;
        s.shownFrom = labelFrom_;
        s.shownTo = labelTo_;
    }
    s.steps = plans_;
    s.current = shown_;
    if (found_ >= 0) {
        s.found = form_.componentRect(found_);
        s.foundLabel = foundLabel_;
        s.foundPhase = (pulseClock_.isValid() ? pulseClock_.elapsed() % 1000 : 0) / 1000.0;
    } else if (marked_ >= 0 && marked_ < form_.componentCount()) {
        s.found = form_.componentRect(marked_);
    }
    if (hovered_ >= 0)
        s.hovered = form_.componentRect(hovered_);
    return s;
}

void BoardGuide::setPlateHidden(bool hidden) {
    if (hidden == plateHidden_)
        return;
    plateHidden_ = hidden;
    rebuild();
}

void BoardGuide::setMarked(int index) {
    if (index == marked_)
        return;
    marked_ = index;
    rebuild();
}

void BoardGuide::showFound(int index, const QString& label) {
    found_ = index;
    foundLabel_ = label;
    pulseClock_.start();
    pulse_.start();
    rebuild();
}

QString BoardGuide::blockCaptionOf(int index) const {
    const QList<Component>& cs = form_.components();
    if (index < 0 || index >= cs.size())
        return {};
    const int block = blockAround(cs, form_.componentRect(index));
    return block >= 0 ? cs[block].caption.trimmed() : QString();
}

QString BoardGuide::hintOf(int index) const {
    const QList<Component>& cs = form_.components();
    if (index < 0 || index >= cs.size())
        return {};
    const Component& c = cs[index];
    return c.hasHint && c.showHint ? c.hint : QString(); // what BoardArea shows on hovering
}

QString BoardGuide::terminalCaptionOf(int index) const {
    const QList<Component>& cs = form_.components();
    if (index < 0 || index >= cs.size())
        return {};
    return terminalCaption(terminalname::of(cs[index].name), hintOf(index));
}

void BoardGuide::setHovered(int index) {
    if (index == hovered_)
        return;
    hovered_ = index;
    rebuild();
}

void BoardGuide::paintEvent(QPaintEvent*) {
    QPainter p(this);
    GuideScene steady = scene();
    // The rings change while the rest stands still; they are painted on their own, over it.
    GuideScene rings;
    rings.area = steady.area;
    rings.names = false;
    rings.found = std::exchange(steady.found, std::nullopt);
    rings.foundLabel = steady.foundLabel;
    rings.foundPhase = steady.foundPhase;
    rings.hovered = std::exchange(steady.hovered, std::nullopt);

    // On the screen the steady part comes from a kept picture: the instruments below repaint all the time
    // (turning motors, blinking digits) and each of their repaints repaints this layer over them. A picture
    // of another scale (labtool's larger pictures) is painted directly.
    const QPaintDevice* target = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    const qreal dpr = target ? target->devicePixelRatioF() : devicePixelRatioF();
    const double z = form_.boardArea()->zoom();
    if (dpr == devicePixelRatioF()) {
        const QSize want = (QSizeF(size()) * dpr).toSize();
        if (!cacheValid_ || cache_.size() != want || cachedShown_ != steady.shown) {
            cache_ = QPixmap(want);
            cache_.setDevicePixelRatio(dpr);
            cache_.fill(Qt::transparent);
            QPainter cp(&cache_);
            cp.scale(z, z);
            paintGuide(cp, steady, &numbers_);
            cacheValid_ = true;
            cachedShown_ = steady.shown;
        }
        p.drawPixmap(0, 0, cache_);
        p.scale(z, z);
    } else {
        p.scale(z, z);
        paintGuide(p, steady, &numbers_);
    }
    if (rings.found || rings.hovered)
        paintGuide(p, rings);
}

bool BoardGuide::eventFilter(QObject* watched, QEvent* event) {
    BoardArea* area = form_.boardArea();
    if (watched == area) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
            follow();
            break;
        case QEvent::MouseMove: {
            const QPoint pos = area->toDesign(static_cast<QMouseEvent*>(event)->position());
            const int i = area->elementAt(pos);
            const bool hand =
                i >= 0 && form_.components()[i].kind == ComponentKind::Block && form_.clickWired(i);
            if (hand)
                area->setCursor(Qt::PointingHandCursor);
            else
                area->unsetCursor();
            if (hovered_ >= 0 && i != hovered_)
                setHovered(-1);
            break;
        }
        case QEvent::ToolTip: {
            // The ring shows with the terminal's hint.
            const QPoint pos = area->toDesign(static_cast<QHelpEvent*>(event)->pos());
            const int i = area->elementAt(pos);
            const bool terminal = i >= 0 && form_.components()[i].kind == ComponentKind::Terminal &&
                                  !area->hintAt(pos).isEmpty();
            setHovered(terminal ? i : -1);
            break;
        }
        case QEvent::Leave:
            setHovered(-1);
            break;
        default:
            break;
        }
    } else if (watched == &form_ && event->type() == QEvent::Show && !event->spontaneous()) {
        // A model choice empties the current experiment before the form is shown again.
        if (ExperimentRecord.ExperimentName.isEmpty() && experiment_)
            clearExperiment();
        else
            rebuild();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace boards
