#pragma once
// What the board's overlay shows over the drawing of the wiring steps, as plain data, and how it is laid out
// and painted: the step plate, the names beside the shown connection, the whole wiring with its numbers, and
// the rings of the terminal finder and of the hovered terminal. No widgets here: the overlay, labtool and the
// benchmarks all paint through paintGuide.
#include "boards/BoardLayout.h"
#include "engine/StepPlan.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QPainter;

namespace boards {

// A terminal as the guide names it: its wiring name, followed by the hint the board prints for it where
// that differs ("SPH（SP+）"), so that the screen can be matched to the box's panel.
QString terminalCaption(const QString& name, const QString& hint);

// The texts of the plate.
namespace platetext {
// No experiment is current.
QString chooseExperiment();
// Before the first step: the experiment and its step count ("共16步"), or that it has no steps.
QString beforeFirstStep(const QString& experimentName, int stepCount);
// A step: "第3步/共16步  K3 → PB2", with the reason in brackets when it cannot be drawn as written. The
// hints of the two terminals found, when given, join their names as terminalCaption() writes them.
QString step(int index, int stepCount, const StepPlan& plan, const QString& firstHint = {},
             const QString& secondHint = {});
// Added when the whole wiring is shown but some numbers found no free place.
QString someNumbersHidden();
} // namespace platetext

// Where a board's plate stands: the free strip above its topmost terminal, from its leftmost block to the
// right edge of the board area, so that the plate covers no terminal.
QRect plateSpace(const QList<Component>& components, const QSize& areaSize);

// The colour of connection `index` in the whole wiring; the colours stay apart from the silver board,
// the yellow terminals and one another, and do not repeat within wiringColourCount() steps.
QColor wiringColour(int index);
int wiringColourCount();
// How connection `index` is drawn: solid within the palette, dashed or dotted where its colour comes again.
Qt::PenStyle wiringPattern(int index);

struct GuideScene {
    QSize area;             // the board area's size
    QRect plateSpace;       // see plateSpace()
    QList<QRect> terminals; // the board's terminals: names and numbers keep off them where they can
    bool names = true;      // labels, numbers and the plate
    bool overview = false;

    QString plate;             // the plate's text; empty: no plate
    bool plateWarning = false; // the step cannot be drawn as written: the plate turns red
    // The connection the link layer shows and its two names (shown beside the circles, with names on).
    std::optional<LinkConnection> shown;
    QString shownFrom, shownTo;

    QList<StepPlan> steps; // the whole wiring
    int current = -1;      // the step last shown, emphasised in the whole wiring

    // The finder's ring (pulsing: phase 0..1) and the hovered terminal's ring, as terminal rectangles.
    std::optional<QRect> found;
    QString foundLabel;
    qreal foundPhase = 0;
    std::optional<QRect> hovered;

    bool empty() const;
};

// Where the numbers of the whole wiring go: one rectangle per step (null where none is drawn).
struct NumberPlaces {
    QList<QRect> places;
    int hidden = 0; // drawable steps whose number found no free place
};
NumberPlaces placeNumbers(const GuideScene& scene);

// Where the two names of the shown connection go, and whether each needs a leader line to its circle.
struct LabelPlace {
    QRect rect;
    bool leader = false;
};
struct LabelPlaces {
    LabelPlace first, second;
    bool hasSecond = false;
    bool shown() const { return !first.rect.isNull(); }
};
LabelPlaces placeLabels(const GuideScene& scene);

// Paints the scene over the board area's picture (at board-area coordinates). `numbers` may be passed when
// already computed for the same scene.
void paintGuide(QPainter& painter, const GuideScene& scene, const NumberPlaces* numbers = nullptr);

// The fonts the guide writes with (the board's face, larger than its captions).
QFont plateFont();
QFont labelFont();

} // namespace boards
