#pragma once
// The board's instruments while a program runs. Each instrument the run drives (digits, LED matrix, LCD,
// motors) and each input it reads (switches, keypads, the pulse key) gets a twin made from the same layout
// entry, put in its place while the original is hidden: the originals are never touched, so after the run
// the board is exactly the drawing it was. Small controls for the temperature sensor and the potentiometer
// stand beside their blocks. The twins show a snapshot of the machine; the inputs report settings by the
// names the machine's parts answer to ("K1", "KEY:7", "PULSE", "TEMP", "AOUT1").
#include "sim/Snapshot.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

#include "widgets/iLCDMatrix.h"
#include "widgets/iLedMatrix.h"
#include "widgets/iMotor.h"
#include "widgets/iSevenSegmentCharacter.h"

class BoardForm;
class QWidget;

namespace boards {

class RunInstruments : public QObject {
    Q_OBJECT
public:
    using SettingSink = std::function<void(const std::string& setting, double value)>;

    // Puts the twins in place; `sink` receives every input the user makes on them.
    RunInstruments(BoardForm& form, SettingSink sink);
    // Takes the twins and controls away and shows the originals again (while the form lives; a form being
    // destroyed takes its children with it).
    void restore();
    ~RunInstruments() override;

    // Shows a snapshot (called once a frame).
    void show(const sim::Snapshot& snapshot);
    // The settings the inputs hold now (the switches' positions, the controls' values), so that a new or
    // reset machine starts from what the drawing shows.
    void replaySettings() const;

    // The twins, for the overlay and the tests.
    QList<TiSevenSegmentCharacter*> digits() const;
    TiLedMatrix* matrix() const { return matrix_; }
    TiLCDMatrix* lcd() const { return lcd_; }
    QWidget* twinOf(const QString& name) const;
    // Where the indicator lamps stand (terminal name -> the terminal's rectangle on the board area).
    const QList<QPair<QString, QRect>>& lampTerminals() const { return lamps_; }

    // A switch's number key (1 … 8) toggles it.
    bool toggleSwitch(int number);

private:
    QWidget* makeTwin(int index);
    void addValueControl(const QString& block, const QString& caption, const std::string& setting,
                         double value, double low, double high, double step, const QString& suffix);

    BoardForm& form_;
    SettingSink sink_;
    struct Twin {
        QPointer<QWidget> original;
        QPointer<QWidget> twin;
        bool originalVisible = true;
    };
    QList<Twin> twins_;
    QList<QPointer<QWidget>> controls_;
    QList<QPointer<TiSevenSegmentCharacter>> digits_;
    QPointer<TiLedMatrix> matrix_;
    QPointer<TiLCDMatrix> lcd_;
    QPointer<TiMotor> stepper_;
    QPointer<TiMotor> dcMotor_;
    QList<QPair<QString, QRect>> lamps_;
    QList<QPair<std::string, std::function<double()>>> held_; // settings the inputs hold
};

} // namespace boards
