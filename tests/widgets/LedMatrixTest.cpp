// The LED matrix: indicators lit by SetIndicatorActive, bounds and size errors, both auto-size directions,
// the centred grid, rectangle and round indicators, the per-colour picture cache, mouse events.
#include "WidgetProbe.h"
#include "base/ErrorReport.h"
#include "tests/support/TestSupport.h"
#include "widgets/iLedMatrix.h"

#include <QHBoxLayout>

#include <gtest/gtest.h>

using testsupport::errorOf;

namespace {

void boardMatrix(TiLedMatrix& m) {
    m.setColCount(16);
    m.setRowCount(16);
    m.setIndicatorStyle(TiLedMatrix::ilmisRound);
    m.setIndicatorWidth(4);
    m.setIndicatorHeight(4);
    m.setSpacingHorizontal(1);
    m.setSpacingVertical(1);
    m.setOuterMargin(0);
    m.setIndicatorActiveColor(Qt::red);
    m.setBackGroundColor(Qt::white);
}

// Number of pixels of the colour inside a rectangle.
int count(const QImage& img, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += wt::pixel(img, x, y) == colour;
    return n;
}

} // namespace

TEST(LedMatrix, BoardMatrixSizesItselfAndLightsTheBottomRightIndicator) {
    TiLedMatrix m;
    boardMatrix(m);
    EXPECT_EQ(QSize(80, 80), m.size());
    m.RenderFrame();
    EXPECT_EQ(QRect(1, 1, 4, 4), m.IndicatorRect(0, 0)) << "grid centred: (80 - 5 * 16) div 2 + 1";
    EXPECT_EQ(QRect(76, 76, 4, 4), m.IndicatorRect(15, 15));
    m.SetIndicatorActive(15, 15, true);
    const QImage img = m.RenderFrame();
    // Lit: red with a white reflection, no dark red. Unlit: dark red (with a red reflection).
    EXPECT_GT(count(img, m.IndicatorRect(15, 15), qRgb(255, 0, 0)), 4);
    EXPECT_EQ(0, count(img, m.IndicatorRect(15, 15), qRgb(85, 0, 0)));
    int unlitElsewhere = 0;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            if (r != 15 || c != 15)
                unlitElsewhere += count(img, m.IndicatorRect(r, c), qRgb(85, 0, 0)) > 4;
    EXPECT_EQ(255, unlitElsewhere);
    EXPECT_EQ(qRgb(255, 255, 255), wt::pixel(img, 0, 0));
    EXPECT_EQ(qRgb(255, 255, 255), wt::pixel(img, 5, 5)) << "the spacing shows the background";
}

// Zoomed, the matrix keeps its designed size and draws it onto the screen's scaled size: the bottom-right
// indicator lit at its scaled place, at half and at twice the size, and unlit again back at 1.
TEST(LedMatrix, ZoomedTheIndicatorsAreDrawnAtTheirScaledPlaces) {
    TiLedMatrix m;
    boardMatrix(m);
    m.RenderFrame();
    m.SetIndicatorActive(15, 15, true);
    for (double zoom : {0.5, 2.0}) {
        m.setZoom(zoom);
        EXPECT_EQ(QSize(80, 80), QSize(m.Width(), m.Height()));
        EXPECT_EQ(QSize(int(80 * zoom), int(80 * zoom)), m.size());
        const QImage img = m.RenderFrame();
        const QRect lit(QPointF(QPointF(m.IndicatorRect(15, 15).topLeft()) * zoom).toPoint(),
                        QSize(int(4 * zoom), int(4 * zoom)));
        EXPECT_GT(count(img, lit, qRgb(255, 0, 0)), 0) << zoom;
        EXPECT_EQ(count(img, lit, qRgb(85, 0, 0)), 0) << zoom << ": lit, no dark red";
        EXPECT_EQ(qRgb(255, 255, 255), wt::pixel(img, 0, 0)) << zoom;
    }
    m.SetIndicatorActive(15, 15, false);
    m.setZoom(1.0);
    EXPECT_GT(count(m.RenderFrame(), m.IndicatorRect(15, 15), qRgb(85, 0, 0)), 4) << "unlit: dark red";
}

TEST(LedMatrix, OutOfRangeIndicatorsRaiseAndChangeNothing) {
    Probe<TiLedMatrix> m;
    boardMatrix(m);
    m.repaints = 0;
    EXPECT_EQ(QStringLiteral("Index out of bounds"), errorOf([&] { m.SetIndicatorActive(16, 0, true); }));
    EXPECT_EQ(QStringLiteral("Index out of bounds"), errorOf([&] { m.SetIndicatorActive(0, 16, true); }));
    EXPECT_EQ(QStringLiteral("Index out of bounds"), errorOf([&] { m.SetIndicatorActive(-1, 3, true); }));
    EXPECT_EQ(QStringLiteral("Index out of bounds"), errorOf([&] { m.IndicatorActive(3, -1); }));
    EXPECT_EQ(0, m.repaints);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            ASSERT_FALSE(m.IndicatorActive(r, c));
    m.SetIndicatorActive(0, 0, true);
    EXPECT_EQ(1, m.repaints);
    m.SetIndicatorActive(0, 0, true); // unchanged: no request
    EXPECT_EQ(1, m.repaints);
}

TEST(LedMatrix, OversizedAndNonPositiveCountsAreRefused) {
    TiLedMatrix m;
    m.setAutoSize(false);
    m.setColCount(3);
    m.setRowCount(2);
    m.SetIndicatorActive(1, 2, true);
    m.setColCount(0);
    m.setRowCount(-5);
    EXPECT_EQ(3, m.ColCount());
    EXPECT_EQ(2, m.RowCount());
    EXPECT_TRUE(m.IndicatorActive(1, 2)) << "ignored values change nothing";
    EXPECT_EQ(QStringLiteral("Exceed Maximum Matrix Size"), errorOf([&] { m.setColCount(134217727); }));
    m.setRowCount(1);
    EXPECT_EQ(QStringLiteral("Exceed Maximum Matrix Size"), errorOf([&] { m.setColCount(2147483647); }));
    EXPECT_EQ(QStringLiteral("Exceed Maximum Matrix Size"), errorOf([&] {
                  m.setColCount(100000);
                  m.setRowCount(100000);
              }));
    EXPECT_EQ(100000, m.ColCount());
    EXPECT_EQ(1, m.RowCount()) << "the refused grid leaves the last good one";
    m.setColCount(4);
    m.setRowCount(4);
    EXPECT_FALSE(m.IndicatorActive(3, 3)) << "a new grid starts dark";
}

TEST(LedMatrix, AutoSizeBothWaysAndItsCaps) {
    TiLedMatrix m;
    EXPECT_EQ(QSize(70, 70), m.size()) << "2 * 5 + (10 + 2) * 5";
    m.setIndicatorWidth(4);
    EXPECT_EQ(QSize(40, 70), m.size());
    // A size from outside gives the indicators the room.
    m.SetBounds(0, 0, 110, 70);
    EXPECT_EQ(18, m.IndicatorWidth()) << "round((110 - 10) / 5) - 2";
    EXPECT_EQ(10, m.IndicatorHeight());
    EXPECT_EQ(QSize(110, 70), m.size());
    // The same through Qt: resize, and a layout that stretches it (Qt tells a widget its size once shown).
    m.show();
    m.resize(60, 130);
    EXPECT_EQ(8, m.IndicatorWidth()) << "round((60 - 10) / 5) - 2";
    EXPECT_EQ(22, m.IndicatorHeight());
    QWidget holder;
    auto* layout = new QHBoxLayout(&holder);
    layout->setContentsMargins(0, 0, 0, 0);
    m.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(&m);
    holder.resize(210, 110);
    holder.show();
    layout->activate();
    EXPECT_EQ(QSize(210, 110), m.size());
    EXPECT_EQ(38, m.IndicatorWidth());
    EXPECT_EQ(18, m.IndicatorHeight());
    layout->removeWidget(&m);
    m.setParent(nullptr);
    m.setColCount(1000);
    EXPECT_EQ(3600, m.width());
    m.setRowCount(1000);
    EXPECT_EQ(2880, m.height());
    m.setAutoSize(false);
    m.SetBounds(0, 0, 50, 50);
    EXPECT_EQ(38, m.IndicatorWidth()) << "unchanged";
}

TEST(LedMatrix, RoundIndicatorsStaySquareAndNegativeMetricsCountAsZero) {
    TiLedMatrix m;
    m.setIndicatorStyle(TiLedMatrix::ilmisRound);
    m.setIndicatorWidth(4);
    m.setIndicatorHeight(6);
    EXPECT_EQ(6, m.IndicatorWidth());
    EXPECT_EQ(6, m.IndicatorHeight());
    m.setIndicatorStyle(TiLedMatrix::ilmisRectangle);
    m.setIndicatorHeight(9);
    m.setIndicatorStyle(TiLedMatrix::ilmisRound);
    EXPECT_EQ(6, m.IndicatorHeight()) << "switching to round makes the height equal to the width";
    m.setSpacingHorizontal(-3);
    m.setOuterMargin(-1);
    EXPECT_EQ(0, m.SpacingHorizontal());
    EXPECT_EQ(0, m.OuterMargin());
    // Nothing to draw: only the background.
    m.setAutoSize(false);
    m.setBackGroundColor(Qt::blue);
    m.setIndicatorWidth(0);
    const QImage img = m.RenderFrame();
    EXPECT_EQ(0, count(img, img.rect(), qRgb(0, 255, 0)) + count(img, img.rect(), qRgb(0, 85, 0)));
    EXPECT_EQ(qRgb(0, 0, 255), wt::pixel(img, img.width() / 2, img.height() / 2));
    m.setIndicatorWidth(-7);
    EXPECT_NO_THROW(m.RenderFrame());
    wt::click(&m, QPoint(3, 3));
}

TEST(LedMatrix, RectangleIndicatorsWithReflectionAndRecolouring) {
    TiLedMatrix m;
    m.setBackGroundColor(Qt::black);
    m.RenderFrame();
    const QRect r = m.IndicatorRect(0, 0);
    EXPECT_EQ(QRect(6, 6, 10, 10), r) << "(70 - 60) div 2 + 1";
    QImage img = m.RenderFrame();
    EXPECT_EQ(qRgb(0, 85, 0), wt::pixel(img, r.left() + 1, r.top() + 6));
    EXPECT_EQ(qRgb(0, 255, 0), wt::pixel(img, r.left() + 4, r.top() + 3)) << "reflection in c when unlit";
    m.SetIndicatorActive(0, 0, true);
    img = m.RenderFrame();
    EXPECT_EQ(qRgb(0, 255, 0), wt::pixel(img, r.left() + 1, r.top() + 6));
    EXPECT_EQ(qRgb(255, 255, 255), wt::pixel(img, r.left() + 4, r.top() + 3)) << "white when lit";
    // A new colour keeps lit indicators lit, in the new colour.
    m.setIndicatorActiveColor(Qt::blue);
    img = m.RenderFrame();
    EXPECT_TRUE(m.IndicatorActive(0, 0));
    EXPECT_EQ(qRgb(0, 0, 255), wt::pixel(img, r.left() + 1, r.top() + 6));
    const QRect r2 = m.IndicatorRect(4, 4);
    EXPECT_EQ(qRgb(0, 0, 85), wt::pixel(img, r2.left() + 1, r2.top() + 6));
    // Without caching the same frame is drawn.
    m.setCachedDrawing(false);
    EXPECT_EQ(img, m.RenderFrame());
}

TEST(LedMatrix, TheEleventhColourDropsTheOldestCachedPictures) {
    TiLedMatrix m;
    m.setAutoSize(false);
    m.setColCount(11);
    m.setRowCount(1);
    m.setAutoSize(true);
    auto colour = [](int i) { return QColor(20 * i + 5, 0, 0); };
    for (int c = 0; c < 11; ++c)
        m.SetIndicatorColor(0, c, colour(c));
    QImage img = m.RenderFrame();
    EXPECT_EQ(10, m.LedCache().Count());
    EXPECT_EQ(nullptr, m.LedCache().Find(colour(0).rgb()));
    EXPECT_NE(nullptr, m.LedCache().Find(colour(10).rgb()));
    // The dropped colour is made again when needed, and its indicator still shows right.
    m.SetIndicatorActive(0, 0, true);
    img = m.RenderFrame();
    EXPECT_NE(nullptr, m.LedCache().Find(colour(0).rgb()));
    EXPECT_EQ(nullptr, m.LedCache().Find(colour(1).rgb()));
    EXPECT_EQ(colour(0).rgb(), wt::pixel(img, m.IndicatorRect(0, 0).left() + 1, m.IndicatorRect(0, 0).top() + 6));
    // A change of look empties the cache.
    m.setIndicatorBevelStyle(TiComponent::ibsRaised);
    EXPECT_EQ(0, m.LedCache().Count());
}

TEST(LedMatrix, MouseEventsNameTheIndicatorAndNeverChangeIt) {
    TiLedMatrix m;
    m.RenderFrame();
    std::vector<std::pair<int, int>> clicked, downs;
    int widgetClicks = 0, dbl = 0;
    QObject::connect(&m, &TiLedMatrix::clickIndicator, [&](int r, int c) { clicked.emplace_back(r, c); });
    QObject::connect(&m, &TiLedMatrix::mouseDownIndicator, [&](int r, int c) { downs.emplace_back(r, c); });
    QObject::connect(&m, &TiLedMatrix::dblClickIndicator, [&](int, int) { ++dbl; });
    QObject::connect(&m, &TiComponent::clicked, [&] { ++widgetClicks; });
    const QPoint p = m.IndicatorRect(2, 3).center();
    wt::click(&m, p);
    ASSERT_EQ(1u, clicked.size());
    EXPECT_EQ(std::make_pair(2, 3), clicked[0]);
    EXPECT_EQ(QPoint(3, 2), m.LastClicked());
    EXPECT_FALSE(m.IndicatorActive(2, 3));
    EXPECT_EQ(1, widgetClicks);
    wt::mouse(&m, QEvent::MouseButtonDblClick, p);
    wt::release(&m, p);
    EXPECT_EQ(1, dbl);
    // Down on one indicator, up on another: no indicator click, the last clicked is forgotten.
    wt::press(&m, m.IndicatorRect(0, 0).center());
    wt::release(&m, m.IndicatorRect(4, 4).center());
    EXPECT_EQ(2u, clicked.size()) << "only the double click's release counted";
    EXPECT_EQ(QPoint(-1, -1), m.LastClicked());
    // Between indicators: nothing.
    downs.clear();
    wt::press(&m, QPoint(m.IndicatorRect(0, 0).right() + 1, m.IndicatorRect(0, 0).top()));
    EXPECT_TRUE(downs.empty());
    // Focus lost while held: no click later.
    wt::press(&m, p);
    wt::loseFocus(&m);
    wt::release(&m, QPoint(-50, -50));
    EXPECT_EQ(2u, clicked.size());
}
