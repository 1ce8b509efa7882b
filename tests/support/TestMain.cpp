#include <QApplication>
#include <gtest/gtest.h>

#include "base/Fonts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", LABGUIDE_OFFSCREEN);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    return RUN_ALL_TESTS();
}
