#pragma once
// The program as it starts for a user: the seven forms created in a working folder that holds a copy of the
// built catalogue, the program folder with asm/ and pic/, the main window on the screen.
#include "app/mainform.h"
#include "boards/BoardForm.h"
#include "tests/support/TestSupport.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace window {

// The four models in the order of the model menu.
struct Model {
    const char* item;    // the menu item's name
    const char* caption; // the model's name in the window caption
    const char* board;   // the layout's board name
    BoardForm* (*form)();
};
const QList<Model>& models();

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Chooses a model as a click on its menu item does.
    BoardForm* choose(const Model& model);
    // The board area's own picture (elements and the drawn connection, without the instrument widgets,
    // whose timers change them all the time).
    static QImage areaImage(BoardForm* form);

    QTemporaryDir work;
    QString oldCwd;
    testsupport::ErrorRecorder errors;
};

} // namespace window
