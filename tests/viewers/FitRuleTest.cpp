#include "viewers/FitRule.h"

#include <gtest/gtest.h>

using viewers::fitPicture;

TEST(FitRule, TableOfSizes) {
    const struct {
        QSize picture, box;
        QRect drawn;
    } table[] = {
        {{1600, 1200}, {481, 311}, {33, 0, 414, 311}},   // wider: height limits, width 414.67 -> 414
        {{200, 100}, {481, 311}, {140, 105, 200, 100}},  // smaller: own size, centred, never enlarged
        {{481, 311}, {481, 311}, {0, 0, 481, 311}},      // exactly the box
        {{482, 311}, {481, 311}, {0, 0, 481, 310}},      // one pixel too wide: 310.35 -> 310
        {{300, 1000}, {481, 311}, {194, 0, 93, 311}},    // taller: 93.3 -> 93, offset 388 div 2
        {{100, 101}, {50, 1000}, {0, 475, 50, 50}},      // taller, yet the width limits
        {{1000, 999}, {2000, 500}, {750, 0, 500, 500}},  // wider, yet the height limits: 500.5 -> 500
        {{500, 500}, {481, 311}, {85, 0, 311, 311}},     // square counts as "not wider"
        {{10, 10}, {11, 11}, {0, 0, 10, 10}},            // odd margin: 1 div 2 = 0
        {{4000, 3000}, {1024, 768}, {0, 0, 1024, 768}},
        {{32767, 100}, {30000, 20000}, {0, 9954, 30000, 91}},
        {{5, 7}, {0, 0}, {0, 0, 0, 0}},                  // no box: nothing drawn
    };
    for (const auto& row : table)
        EXPECT_EQ(fitPicture(row.picture, row.box), row.drawn) << row.picture.width() << "x" << row.picture.height()
                                                               << " in " << row.box.width() << "x" << row.box.height();
}

TEST(FitRule, EmptyPictureDrawsNothingAndFitAlwaysStaysInTheBox) {
    EXPECT_TRUE(fitPicture(QSize(0, 10), QSize(100, 100)).isEmpty());
    EXPECT_TRUE(fitPicture(QSize(), QSize(100, 100)).isEmpty());
    for (int w = 1; w < 300; w += 7)
        for (int h = 1; h < 300; h += 11) {
            const QRect r = fitPicture(QSize(w, h), QSize(97, 61));
            EXPECT_TRUE(QRect(0, 0, 97, 61).contains(r)) << w << "x" << h;
            EXPECT_LE(r.width(), w);
            EXPECT_LE(r.height(), h);
            // One side always meets the box when the picture had to shrink.
            if (w > 97 || h > 61) {
                EXPECT_TRUE(r.width() == 97 || r.height() == 61) << w << "x" << h;
            }
        }
}
