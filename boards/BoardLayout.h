#pragma once
// A board drawing as data: the form's frame, its experiment panel's variant and the drawn components in
// stored order. One layout file a board, compiled in as a resource, read by the one loader below.
#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace boards {

enum class ComponentKind { LinkLayer, Block, Terminal, Label, Widget };
enum class TerminalShape { Circle, Rectangle };

struct Component {
    ComponentKind kind = ComponentKind::Label;
    QString name;        // the component name, as stored (its case matters for the BlockKey)
    QString widgetClass; // widgets only: the instrument class ("TiLedMatrix", ...)
    QRect rect;          // board-area coordinates; frame coordinates for frame widgets
    bool frame = false;  // widgets only: placed on the frame Panel2 instead of the board area
    bool belowArea = false; // frame widgets only: stored before the board area, so covered by it
    QString caption;     // blocks and labels
    QString hint;
    bool hasHint = false;
    bool showHint = false;
    bool click = false;  // the block click handler is wired
    TerminalShape shape = TerminalShape::Circle; // terminals only
    QColor brush;        // terminals only; invalid while the stored brush is transparent
    QJsonObject properties; // widgets only: stored settings, read by whoever creates the widget
};

struct TypeItem {
    QString caption;
    int cpuType = 0;
};

// The per-form variant of the experiment panel.
struct PanelLayout {
    int width = 0;
    int height = 0;
    int rowOffset = 0; // how much lower the row of buttons, Label1 and cbExam sit
    int tishiWidth = 0;
    int tishiHeight = 0;
    bool disablePrevOnChoice = false;
    int columns = 1;
    QList<TypeItem> types;
    bool typeHandler = false;
};

struct BoardLayout {
    QString board;     // "QK740X", ...
    QString formClass; // "TFRM_QK740X", ...
    QString instance;  // "FRM_QK740X", ...
    QString caption;   // the form caption
    bool fixedBorder = false;
    QSize clientSize;  // the form's designed client area
    QSize areaSize;    // the board area as stored
    PanelLayout panel;
    QString blockHandler; // "sb_cpuClick" or "sb_speakerClick"
    QList<Component> components;
};

// Parses one layout file; raises Error naming `source` on anything malformed.
BoardLayout parseLayout(const QByteArray& json, const QString& source);

// The four boards, in the order of the model menu.
const QStringList& boardNames();
// The canonical board name for a name given in any letter case; empty when there is no such board.
QString canonicalBoardName(const QString& name);
// The stored layout of a board (parsed once); raises Error for an unknown board.
const BoardLayout& storedLayout(const QString& board);
// Starts reading all stored layouts on a worker thread, then runs `afterwards` there (other start-up work
// that touches no widget); storedLayout then waits only for what is not read yet. Once per program run.
void prefetchStoredLayouts(std::function<void()> afterwards = {});

// The picture key of a clickable component: its name less the first three characters, taken literally.
QString blockKey(const QString& componentName);

// The smallest module block holding a component's centre (left + width / 2, as the board's data groups its
// terminals), as an index into the components; -1 when none does.
int blockAround(const QList<Component>& components, const QRect& rect);

// The reference picture a component's click opens ("8255.jpg"): clickable blocks and widgets; empty for others.
QString clickPicture(const Component& component);
// The reference pictures the four boards' drawings open, as content names ("pic/8255.jpg"), each once: a
// teacher may replace them.
const QStringList& referencePictures();

// The stored class of a drawn component ("TPaintBox", "TSpeedButton", "TShape", "TLabel") or the widget's class.
QString componentClass(const Component& c);

// The normalisation at creation: stretch the link layer over the board area; give every terminal its final
// size, a yellow fill and its hint; colour the three supply terminals.
void normalise(QList<Component>& components, const QSize& areaSize);

// The supply terminals and their fixed colours after normalisation.
struct SupplyColour {
    const char* name;
    QColor colour;
};
const QList<SupplyColour>& supplyColours();

} // namespace boards
