#pragma once
// The "工具" menu after "视图": the experiment handout, printed (with a preview) or saved as a PDF, for the
// current experiment of the docked board, and the experiment editor. Other tools add their items to the same
// menu through toolsMenuOf().
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class Tmainform;

struct CatalogueRow;

namespace app {

// The window's "工具" menu, made on first use after the menus before it.
QMenu* toolsMenuOf(Tmainform& window);

class ToolsMenu : public QObject {
    Q_OBJECT
public:
    // Adds the handout items to the window's "工具" menu; owned by the window.
    explicit ToolsMenu(Tmainform& window);

    QAction* printHandout() const { return print_; }
    QAction* exportHandout() const { return export_; }

    // Whether an experiment of the docked board is current; the items follow it.
    bool experimentCurrent() const;
    void updateActions();

    // The file chooser of the export (tests replace the native dialog): given the parent and the proposed
    // path, the chosen path or empty for none.
    using SaveChooser = std::function<QString(QWidget* parent, const QString& proposed)>;
    static void setSaveChooser(SaveChooser chooser);

    static ToolsMenu* of(const Tmainform& window);

private:
    CatalogueRow currentExperiment() const;
    void print();
    void exportPdf();

    Tmainform& window_;
    QAction* print_ = nullptr;
    QAction* export_ = nullptr;
};

} // namespace app
