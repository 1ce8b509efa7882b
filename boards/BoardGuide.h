#pragma once
// The board's overlay: a layer above the board area and its instrument widgets that labels the shown step,
// names it on a plate, draws the whole wiring at once, rings the terminal the finder found and the hovered
// terminal, and shows the hand cursor over blocks that open a picture. It follows the form's handlers without
// changing them; with names and the whole wiring off it draws nothing, so the board looks as without it.
#include "boards/GuideScene.h"
#include "engine/StepPlan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class BoardForm;

namespace boards {

// The view options of the "视图" menu, program-wide and never stored.
class GuideOptions : public QObject {
    Q_OBJECT
public:
    static GuideOptions& instance();
    bool names() const { return names_; }
    bool overview() const { return overview_; }
    void setNames(bool on);
    void setOverview(bool on);

signals:
    void changed();

private:
    bool names_ = true;
    bool overview_ = false;
};

class BoardGuide : public QWidget {
    Q_OBJECT
public:
    // The form's guide, made on first use; it follows the form from then on.
    static BoardGuide* attach(BoardForm& form);
    // The form's guide, or nullptr when none was attached.
    static BoardGuide* of(const BoardForm& form);

    // An experiment became current with these steps; no step shown yet.
    void setWiring(const QString& experimentName, const QList<QByteArray>& steps);
    // No experiment is current.
    void clearExperiment();
    // A step button tried the step at `index`.
    void setShownStep(int index);

    bool experimentCurrent() const { return experiment_; }
    int shownStep() const { return shown_; }
    const QList<StepPlan>& plans() const { return plans_; }
    // The plate's text as shown (also when names are off and it is hidden).
    QString plateText() const { return plate_; }
    // While a program runs its layer shows the plate; the guide's own plate stays as it is, unseen.
    void setPlateHidden(bool hidden);
    bool plateHidden() const { return plateHidden_; }
    // The scene as it is painted now.
    GuideScene scene() const;

    // Rings a terminal (component index) and pulses it for three seconds, with a label beside it.
    void showFound(int index, const QString& label);
    bool foundShown() const { return found_ >= 0; }
    // Rings a terminal steadily until it is cleared with -1 (the editor's first click of a step).
    void setMarked(int index);
    int marked() const { return marked_; }
    int hoveredTerminal() const { return hovered_; }

    // The caption of the smallest module block holding a component's centre, trimmed; empty when none.
    QString blockCaptionOf(int index) const;
    // The hint the board shows for a component (the box's print for a terminal); empty when none.
    QString hintOf(int index) const;
    // A terminal as the guide names it, with its hint where that differs (see terminalCaption()).
    QString terminalCaptionOf(int index) const;

    static constexpr int kPulseMs = 3000;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit BoardGuide(BoardForm& form);
    void rebuild();
    void follow();
    void setHovered(int index);

    BoardForm& form_;
    TerminalIndex index_;
    QRect plateSpace_;
    QList<QRect> terminals_;

    bool experiment_ = false;
    QString experimentName_;
    QList<QByteArray> steps_;
    QList<StepPlan> plans_;
    int shown_ = -1;
    // The connection drawn for the step last shown that could be drawn, with its names.
    std::optional<LinkConnection> labelled_;
    QString labelFrom_, labelTo_;

    QString plate_;
    bool plateWarning_ = false;
    bool plateHidden_ = false;
    NumberPlaces numbers_;
    QPixmap cache_; // the steady part as last painted
    bool cacheValid_ = false;
    std::optional<LinkConnection> cachedShown_;

    int found_ = -1;
    int marked_ = -1;
    QString foundLabel_;
    QTimer pulse_;
    QElapsedTimer pulseClock_;
    int hovered_ = -1;
};

} // namespace boards
