#pragma once
// The zoom of the docked board: "适合窗口" keeps the board as large as the board tab allows, following every
// resize of the window (at start only where that is not smaller than designed, see startZoom); "放大",
// "缩小" and "原始大小" choose a zoom, which the board tab then scrolls. A board docked later takes the same
// choice. Nothing is stored.
#include <QObject>

class QAction;
class QMenu;
class QScrollArea;
class QWidget;
class Tmainform;
class BoardForm;

namespace app {

class DockZoom : public QObject {
    Q_OBJECT
public:
    // Adds the zoom items to the menu; `scroller` holds the window's dock panel.
    DockZoom(Tmainform& window, QScrollArea& scroller, QMenu& menu);

    bool fitting() const { return fit_; }
    QAction* zoomIn() const { return in_; }
    QAction* zoomOut() const { return out_; }
    QAction* fitWindow() const { return fitAction_; }
    QAction* actualSize() const { return actual_; }

    // The zoom levels 放大 and 缩小 step through, in ascending order.
    static const QList<double>& levels();
    // The level after (up) or before a zoom; the zoom itself at the end of the range.
    static double nextLevel(double zoom, bool up);
    // The zoom 适合窗口 gives a board for a room: a fit up to 3 % above the designed size stays at 1, so the
    // board is drawn exactly as designed.
    static double fittedZoom(const BoardForm& board, const QSize& room);
    // The zoom at start: fitted where the window is maximised or larger than the board; in a window of the
    // designed size, smaller than the board by a few pixels, the designed drawing; fitted again where the
    // window opened smaller to fit the screen.
    double startZoom(const BoardForm& board, const QSize& room) const;

    // Puts the docked board at the present choice (after docking and resizes).
    void apply();

    // The window's zoom control, or nullptr when it has none.
    static DockZoom* of(const Tmainform& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(double zoom);
    void setFit();
    void updateActions();

    Tmainform& window_;
    QScrollArea& scroller_;
    QWidget* viewport_ = nullptr;
    bool fit_ = true;
    bool chosenFit_ = false; // 适合窗口 was chosen (rather than being the choice at start)
    double chosen_ = 1.0;
    bool applying_ = false;
    QAction* in_ = nullptr;
    QAction* out_ = nullptr;
    QAction* fitAction_ = nullptr;
    QAction* actual_ = nullptr;
};

} // namespace app
