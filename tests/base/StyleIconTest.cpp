// A deferred standard icon looks exactly like the style's own and is shared by all who ask for it.
#include "base/StyleIcon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>

TEST(StyleIcon, DrawsAsTheStylesOwnAndIsShared) {
    for (QStyle::StandardPixmap which : {QStyle::SP_ArrowBack, QStyle::SP_ArrowForward, QStyle::SP_MediaPlay}) {
        SCOPED_TRACE(int(which));
        const QIcon deferred = styleicon::standard(which);
        EXPECT_EQ(deferred.cacheKey(), styleicon::standard(which).cacheKey());
        EXPECT_FALSE(deferred.isNull());
        const QIcon real = QApplication::style()->standardIcon(which);
        EXPECT_EQ(deferred.availableSizes(), real.availableSizes());
        for (int size : {16, 22, 32})
            EXPECT_EQ(deferred.pixmap(size).toImage(), real.pixmap(size).toImage()) << size;
        EXPECT_EQ(deferred.pixmap(16, QIcon::Disabled).toImage(), real.pixmap(16, QIcon::Disabled).toImage());

        // On a button, as the step buttons show it.
        QPushButton a(QStringLiteral("前一步")), b(QStringLiteral("前一步"));
        a.setIcon(deferred);
        b.setIcon(real);
        a.resize(90, 26);
        b.resize(90, 26);
        EXPECT_EQ(a.grab().toImage(), b.grab().toImage());
    }
    EXPECT_NE(styleicon::standard(QStyle::SP_ArrowBack).cacheKey(),
              styleicon::standard(QStyle::SP_ArrowForward).cacheKey());
}
