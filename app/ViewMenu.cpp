#include "app/ViewMenu.h"

#include "app/DockZoom.h"
#include "app/StepKeys.h"
#include "app/mainform.h"
#include "boards/BoardForm.h"
#include "boards/BoardGuide.h"
#include "boards/TerminalFinder.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>

namespace app {

ViewMenu::ViewMenu(Tmainform& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("ViewMenu"));
    for (BoardForm* form : {static_cast<BoardForm*>(FRM_QK740X), static_cast<BoardForm*>(Frm_620x),
                            static_cast<BoardForm*>(Frm310x1), static_cast<BoardForm*>(frm8086)})
        if (form)
            boards::BoardGuide::attach(*form);
    new StepKeys(window);

    // Each start begins with the names on and the whole wiring off: nothing is stored.
    boards::GuideOptions& options = boards::GuideOptions::instance();
    options.setNames(true);
    options.setOverview(false);
    menu_ = window.menuBar()->addMenu(QStringLiteral("视图(&V)"));
    menu_->setObjectName(QStringLiteral("N_view"));
    showAll_ = menu_->addAction(QStringLiteral("显示全部连线(&W)"));
    showAll_->setObjectName(QStringLiteral("N_showAll"));
    showAll_->setCheckable(true);
    showAll_->setChecked(options.overview());
    showAll_->setShortcut(Qt::Key_F5);
    connect(showAll_, &QAction::toggled, &options, &boards::GuideOptions::setOverview);
    showNames_ = menu_->addAction(QStringLiteral("显示端子名称(&N)"));
    showNames_->setObjectName(QStringLiteral("N_showNames"));
    showNames_->setCheckable(true);
    showNames_->setChecked(options.names());
    connect(showNames_, &QAction::toggled, &options, &boards::GuideOptions::setNames);
    menu_->addSeparator();
    find_ = menu_->addAction(QStringLiteral("查找端子…(&F)"));
    find_->setObjectName(QStringLiteral("N_findTerminal"));
    find_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find_, &QAction::triggered, this, &ViewMenu::openFinder);

    menu_->addSeparator();
    if (auto* scroller = window.findChild<QScrollArea*>(QStringLiteral("pnl_dockScroller")))
        zoom_ = new DockZoom(window, *scroller, *menu_);

    finder_ = new boards::TerminalFinder(&window);
    finder_->setBoardSource([this] { return window_.DockedBoard; });
}

ViewMenu* ViewMenu::of(const Tmainform& window) {
    return window.findChild<ViewMenu*>(QStringLiteral("ViewMenu"));
}

void ViewMenu::openFinder() {
    BoardForm* board = window_.DockedBoard;
    // The board is found on the board tab.
    if (board)
        window_.PageControl1->setCurrentWidget(window_.TabSheet2);
    finder_->open();
    if (!board)
        finder_->message()->setText(QStringLiteral("请先选择产品型号"));
}

} // namespace app
