// The board's zoom on real displays: maximised on a 1920 x 1080 screen the fitted board fills the window and
// the pointer finds terminals where they are drawn; on a 1280 x 1024 screen at 150 % the whole window and the
// whole board are on the screen. Each case runs on a display of its own size (see CMakeLists.txt).
#include "base/Zoom.h"
#include "app/DockZoom.h"
#include "app/ViewMenu.h"
#include "boards/BoardGuide.h"
#include "tests/window/ProgramFixture.h"
#include "tests/window/WindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace window;

namespace {

class ZoomTest : public ProgramFixture {
protected:
    QScrollArea* scroller() const {
        return mainform->findChild<QScrollArea*>(QStringLiteral("pnl_dockScroller"));
    }

    // Whether the whole board area lies inside the board tab's visible part.
    static bool wholeBoardShown(BoardForm* form, QScrollArea* scroller) {
        QWidget* area = form->boardArea();
        const QRect onTab(area->mapTo(scroller->viewport(), QPoint(0, 0)), area->size());
        return scroller->viewport()->rect().contains(onTab);
    }

    // The terminal the guide rings for a tool-tip request at a point of the board area.
    static int hoveredAt(BoardForm* form, QPoint at) {
        QWidget* area = form->boardArea();
        QHelpEvent help(QEvent::ToolTip, at, area->mapToGlobal(at));
        QApplication::sendEvent(area, &help);
        return boards::BoardGuide::of(*form)->hoveredTerminal();
    }
};

TEST_F(ZoomTest, MaximisedTheBoardFillsTheWindow) {
    const QRect free = mainform->screen()->availableGeometry();
    ASSERT_GE(free.width(), 1900) << "this case needs its 1920 x 1080 display";
    // Maximised as a window manager does it (the test display has none).
    mainform->showMaximized();
    mainform->setGeometry(free);
    // The zoom keys go to the active window, as they do for the student at the keyboard.
    mainform->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainform, 5000));
    settle(50);
    BoardForm* form = choose(models()[0]);
    ASSERT_NE(form, nullptr);
    settle(50);
    app::DockZoom* zoom = app::DockZoom::of(*mainform);
    ASSERT_NE(zoom, nullptr);
    EXPECT_TRUE(zoom->fitting());
    EXPECT_TRUE(zoom->fitWindow()->isChecked());

    // The board fills the tab in one direction and shows whole in both.
    QScrollArea* tab = scroller();
    const QSize room = tab->viewport()->size();
    EXPECT_GT(form->zoom(), 1.5);
    EXPECT_TRUE(wholeBoardShown(form, tab));
    EXPECT_TRUE(room.width() - form->width() <= 3 || room.height() - form->height() <= 3)
        << "the board " << form->width() << "x" << form->height() << " in " << room.width() << "x"
        << room.height();
    EXPECT_EQ(form->boardArea()->size(), zoom::scaled(form->layout().areaSize, form->zoom()));
    saveShot(screenImage(mainform), QStringLiteral("zoom-maximised"));

    // The pointer finds a terminal where it is drawn, not where it would be unzoomed.
    const int pa0 = form->indexOf(QStringLiteral("SHP_PA0"));
    ASSERT_GE(pa0, 0);
    const QRect drawn = zoom::scaled(form->componentRect(pa0), form->zoom());
    EXPECT_EQ(hoveredAt(form, drawn.center()), pa0);
    EXPECT_NE(hoveredAt(form, form->componentRect(pa0).center()), pa0);
    // ... and it is drawn there: its black outline within its scaled rectangle.
    const QImage shot = screenImage(mainform);
    const QRect onWindow(form->boardArea()->mapTo(mainform, drawn.topLeft()), drawn.size());
    int outline = 0;
    for (int y = onWindow.top(); y <= onWindow.bottom(); ++y)
        for (int x = onWindow.left(); x <= onWindow.right(); ++x)
            outline += shot.valid(x, y) && qGray(shot.pixel(x, y)) < 40;
    EXPECT_GE(outline, drawn.width() * 2) << "no terminal outline at its zoomed place";

    // The keys: 原始大小, 放大, 缩小, then 适合窗口 again.
    const double fitted = form->zoom();
    QTest::keyClick(mainform, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(form->zoom(), 1.0);
    EXPECT_FALSE(zoom->fitting());
    EXPECT_EQ(form->size(), form->designedSize());
    QTest::keyClick(mainform, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(form->zoom(), 1.1);
    QTest::keyClick(mainform, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(mainform, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(form->zoom(), 0.9);
    QTest::keyClick(mainform, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(zoom->fitting());
    EXPECT_DOUBLE_EQ(form->zoom(), fitted);

    // Larger than the tab, the board scrolls rather than being cut off.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(mainform, Qt::Key_Plus, Qt::ControlModifier);
    settle(30);
    EXPECT_GT(form->zoom(), fitted);
    EXPECT_TRUE(tab->verticalScrollBar()->isVisible());
    EXPECT_GE(tab->verticalScrollBar()->maximum(), form->height() - tab->viewport()->height());
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join(u'\n').toStdString();
}

TEST_F(ZoomTest, ScaledScreenShowsTheWholeWindowAndBoard) {
    const QRect free = mainform->screen()->availableGeometry();
    ASSERT_LT(free.height(), 700) << "this case needs its display at 150 %";
    EXPECT_TRUE(free.contains(mainform->frameGeometry())) << "window " << mainform->frameGeometry().height()
                                                          << " px tall on a free height of " << free.height();
    for (const Model& model : models()) {
        BoardForm* form = choose(model);
        ASSERT_NE(form, nullptr) << model.board;
        settle(30);
        EXPECT_LE(form->zoom(), 1.0) << model.board;
        EXPECT_TRUE(wholeBoardShown(form, scroller()))
            << model.board << " at " << form->zoom() << " in a tab of " << scroller()->viewport()->width()
            << "x" << scroller()->viewport()->height();
    }
    saveShot(screenImage(mainform), QStringLiteral("zoom-150"));
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join(u'\n').toStdString();
}

} // namespace
