#pragma once
// The experiment engine: the one current experiment, its wiring list and the step-by-step link drawing.
// Program-wide state, as the rest of the program expects it: one of each.
#include "base/ByteText.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

class QComboBox;
class QPainter;
class QWidget;

class CatalogueConnection;

// Experiment type codes; the captions of the boards' type selector.
enum CpuTypeCode : int32_t { CpuNone = 0, Cpu51 = 1, Cpu88 = 2, Cpu96 = 3, CpuPCI = 4 };

struct TExperimentRecord {
    int32_t CpuType = CpuNone;
    ByteText<10> EntryAddress;
    ByteText<100> ExperimentName;
    ByteText<50> CircuitPicture;
    ByteText<50> FlowChartPicture;
    ByteText<255> WiringText;
    ByteText<50> ProgramFile;
    ByteText<255> Purpose;
    ByteText<255> Requirement;
};

extern TExperimentRecord ExperimentRecord;
// The current experiment's whole description (GBK, not cut).
extern QByteArray Description;
// The current experiment's steps; created by the main window at start, destroyed when it closes.
extern QList<QByteArray>* WiringSteps;
extern int32_t StepIndex;
extern int32_t LastStep;

// The source tab as the engine drives it.
enum class AsmHighlighter { Asm51, Asm88, Asm96 };
class SourceView {
public:
    virtual ~SourceView() = default;
    virtual void clear() = 0;
    virtual void setHighlighter(AsmHighlighter which) = 0;
    // Loads the file's lines; raises Error when the file exists but cannot be read.
    virtual void loadFromFile(const QString& path) = 0;
};

// What the engine needs of a board form: its owned components in their order, with their rectangles in
// board-area coordinates (which are also the link layer's).
class WiringBoard {
public:
    virtual ~WiringBoard() = default;
    virtual int componentCount() const = 0;
    virtual QString componentName(int index) const = 0;
    virtual QRect componentRect(int index) const = 0;
};

// One drawn connection: two circles and the line between the terminals' centres.
struct LinkConnection {
    QPoint from;
    QPoint to;
    bool operator==(const LinkConnection&) const = default;
};

// The board's link layer (PaintBox_link). It keeps the current connection so that a repaint of the board area
// does not lose it; only a new drawable step or an experiment choice replaces or erases it.
class LinkLayer {
public:
    virtual ~LinkLayer() = default;
    virtual void Refresh() = 0;                                      // erase the connection
    virtual void showConnection(const LinkConnection& connection) = 0; // replace it and paint it
};

// Paints a connection as the link layer shows it: red circles with a lime outline, then the blue line.
void paintConnection(QPainter& painter, const LinkConnection& connection);

namespace engine {
// Wiring of the engine to the main window's parts.
void setCatalogue(CatalogueConnection* connection);
CatalogueConnection* catalogue();
void setSourceView(SourceView* view);
// The duplicate-name warning box; replaceable for tests and tools.
using WarningBox = std::function<void(const QString& text, const QString& caption)>;
void setWarningBox(WarningBox box);
// The window that owns the warning box (the main window); none leaves the box without an owner.
void setWarningOwner(QWidget* owner);

void CreateWiringSteps();
void DestroyWiringSteps();
} // namespace engine

// Empties ExperimentRecord and sets StepIndex and LastStep to -1; the steps' entries stay.
void ResetExperiment();

// Replaces the list's items by the names of all experiments of the type (catalogue errors raise Error).
void FillExperimentList(uint8_t cpuType, QComboBox* list);
// Makes the named experiment of the type the current one. `name` is the list item's text.
void LoadExperiment(const QString& name, uint8_t cpuType);

// Rebuilds WiringSteps from a wiring text (GBK bytes), adding one to lastStep for every step.
void ParseWiring(QByteArrayView text, int32_t& lastStep);
// The same parse into a given list (for tools and tests).
QList<QByteArray> parseWiringSteps(QByteArrayView text);

// Draws the step as a connection on the link layer if both its terminals are components of the board.
// Returns whether it drew.
bool DrawWiringStep(QByteArrayView step, const WiringBoard& form, LinkLayer& paintBox);
// The two component names a step asks for ("SHP_" + upper-cased terminal names).
std::pair<QByteArray, QByteArray> stepTerminalNames(QByteArrayView step);
