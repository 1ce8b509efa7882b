#pragma once
// The "视图" menu after the main window's own menus: the whole wiring, the terminal names, the terminal
// finder and the board's zoom. It also attaches the overlay of each board form and the step keys. Nothing of
// it is stored.
#include <QObject>

class QAction;
class QMenu;
class Tmainform;

namespace boards {
class TerminalFinder;
}

namespace app {

class DockZoom;

class ViewMenu : public QObject {
    Q_OBJECT
public:
    // Adds the menu to the window (after its board forms exist); owned by the window.
    explicit ViewMenu(Tmainform& window);

    QMenu* menu() const { return menu_; }
    QAction* showAll() const { return showAll_; }
    QAction* showNames() const { return showNames_; }
    QAction* findTerminal() const { return find_; }
    boards::TerminalFinder* finder() const { return finder_; }
    DockZoom* zoom() const { return zoom_; }

    // The main window's menu, or nullptr when it has none.
    static ViewMenu* of(const Tmainform& window);

private:
    void openFinder();

    Tmainform& window_;
    QMenu* menu_ = nullptr;
    QAction* showAll_ = nullptr;
    QAction* showNames_ = nullptr;
    QAction* find_ = nullptr;
    boards::TerminalFinder* finder_ = nullptr;
    DockZoom* zoom_ = nullptr;
};

} // namespace app
