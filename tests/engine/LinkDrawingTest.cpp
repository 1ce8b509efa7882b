#include "engine/linksheet.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct FakeBoard : WiringBoard {
    struct Item {
        QString name;
        QRect rect;
    };
    QList<Item> items;
    int componentCount() const override { return int(items.size()); }
    QString componentName(int i) const override { return items[i].name; }
    QRect componentRect(int i) const override { return items[i].rect; }
};

struct RecordingLayer : LinkLayer {
    QStringList calls;
    LinkConnection shown;
    void Refresh() override { calls << "refresh"; }
    void showConnection(const LinkConnection& c) override {
        calls << "show";
        shown = c;
    }
};

FakeBoard sampleBoard() {
    FakeBoard b;
    b.items = {{"PaintBox_link", {0, 0, 801, 506}},
               {"sb_cpu", {100, 100, 50, 50}},
               {"SHP_Jx10", {11, 21, 10, 10}},
               {"shp_gnd", {200, 300, 30, 5}},
               {"SHP_JX10", {500, 500, 10, 10}}, // a later duplicate is never taken
               {"Shp_P1", {40, 40, 5, 30}}};
    return b;
}

} // namespace

TEST(DrawWiringStep, FindsBothTerminalsWithoutRegardToCaseAndDrawsBetweenCentres) {
    const FakeBoard board = sampleBoard();
    RecordingLayer layer;
    EXPECT_TRUE(DrawWiringStep("  jx10 > GND \r", board, layer));
    EXPECT_EQ(layer.calls, (QStringList{"refresh", "show"}));
    EXPECT_EQ(layer.shown.from, QPoint(16, 26));
    EXPECT_EQ(layer.shown.to, QPoint(215, 302));

    // Equal names: one component matches both.
    EXPECT_TRUE(DrawWiringStep("P1>p1", board, layer));
    EXPECT_EQ(layer.shown.from, QPoint(42, 55));
    EXPECT_EQ(layer.shown.to, QPoint(42, 55));
}

TEST(DrawWiringStep, DrawsNothingForStepsItCannotPlace) {
    const FakeBoard board = sampleBoard();
    for (const QByteArray& step : {QByteArray(""), QByteArray("JX10"), QByteArray("JX10>NOPE"), QByteArray(">GND"),
                                  QByteArray("CPU>GND"), QByteArray("JX10 GND")}) {
        RecordingLayer layer;
        EXPECT_FALSE(DrawWiringStep(step, board, layer)) << step.toStdString();
        EXPECT_TRUE(layer.calls.isEmpty()) << step.toStdString();
    }
    EXPECT_EQ(stepTerminalNames("JX10"), std::make_pair(QByteArray("SHP_"), QByteArray("SHP_JX10")));
    EXPECT_EQ(stepTerminalNames(" a > b > c "), std::make_pair(QByteArray("SHP_A"), QByteArray("SHP_B > C")));
}

TEST(PaintConnection, PaintsRedCirclesWithLimeOutlineUnderABlueLine) {
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        paintConnection(p, {{20, 50}, {180, 50}});
    }
    // The circle's outline runs from centre - 5; its inside is red; the line crosses both.
    EXPECT_EQ(QColor(img.pixel(15, 50)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(img.pixel(20, 46)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(100, 50)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(img.pixel(20, 50)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(img.pixel(180, 46)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(100, 40)), QColor(Qt::white));
    EXPECT_EQ(QColor(img.pixel(26, 50)).blue(), 255); // outside the circle only the line
}
