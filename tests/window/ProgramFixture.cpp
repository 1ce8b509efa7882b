#include "tests/window/ProgramFixture.h"

#include "base/ProgramFolder.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "tests/window/WindowSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>

namespace window {

const QList<Model>& models() {
    static const QList<Model> list = {
        {"QK740X", "QK740X", "QK740X", [] { return static_cast<BoardForm*>(FRM_QK740X); }},
        {"QK620X", "QK620X", "QK620X", [] { return static_cast<BoardForm*>(Frm_620x); }},
        {"QK310X1", "QK310X+", "QK310X", [] { return static_cast<BoardForm*>(Frm310x1); }},
        {"QK930X", "QK930X", "QK930X", [] { return static_cast<BoardForm*>(frm8086); }},
    };
    return list;
}

void ProgramFixture::SetUp() {
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(QFile::copy(testsupport::workDir() + "/QK740X.mdb", work.filePath("QK740X.mdb")))
        << "the built catalogue is missing: " << testsupport::workDir().toStdString();
    oldCwd = QDir::currentPath();
    QDir::setCurrent(work.path());
    // The test executable lives outside the program folder; the program's own asm/ and pic/ are there.
    programfolder::setOverride(testsupport::programDir());
    app::createForms();
    ASSERT_NE(mainform, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainform, 10000)) << "the main window did not appear on the display";
    settle(50);
}

void ProgramFixture::TearDown() {
    delete mainform;
    programfolder::setOverride(QString());
    QDir::setCurrent(oldCwd);
}

BoardForm* ProgramFixture::choose(const Model& model) {
    QAction* item = mainform->menuItem(model.item);
    if (!item)
        return nullptr;
    item->trigger();
    settle(30);
    return model.form();
}

QImage ProgramFixture::areaImage(BoardForm* form) {
    QWidget* area = form->boardArea();
    QImage image(area->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    area->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

} // namespace window
