// The virtual run on a real display, as a student uses it: 运行 on a chosen experiment, the lamps, digits,
// keypad and LCD answering on the drawn board, the switches clicked, and 停止 giving back the drawing it
// found. What each program shows comes from the lab's own texts and the sim's reference runs (led.asm
// steps a lamp every 200 ms, display.asm scans "123456", lcd.asm writes its two lines).
#include "app/DockZoom.h"
#include "app/RegisterView.h"
#include "app/RunMenu.h"
#include "app/ViewMenu.h"
#include "base/Zoom.h"
#include "boards/BoardGuide.h"
#include "boards/BoardRun.h"
#include "boards/FrontPanel.h"
#include "boards/Instruments.h"
#include "boards/RunInstruments.h"
#include "boards/RunLayer.h"
#include "engine/linksheet.h"
#include "source/SynEdit.h"
#include "tests/window/ProgramFixture.h"
#include "tests/window/WindowSupport.h"
#include "widgets/iPhonePad.h"
#include "widgets/iMotor.h"
#include "widgets/iSwitchRocker.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace window;

namespace {

class RunTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        mainform->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainform, 5000));
        form = choose(models()[0]);
        ASSERT_NE(form, nullptr);
        menu = app::RunMenu::of(*mainform);
        ASSERT_NE(menu, nullptr);
    }

    void pick(const QString& experiment) {
        QComboBox* list = form->cbExam();
        const int item = list->findText(experiment);
        ASSERT_GE(item, 0) << experiment.toStdString();
        list->setCurrentIndex(item);
        emit list->activated(item);
        settle(10);
        ASSERT_EQ(ExperimentRecord.ExperimentName.toString(), experiment);
    }

    void run() {
        ASSERT_TRUE(menu->runAction()->isEnabled()) << menu->runAction()->statusTip().toStdString();
        menu->runAction()->trigger();
        ASSERT_TRUE(menu->run().active());
    }

    // Which of L1 … L8 the lamp layer shows lit now, as bits.
    unsigned litLamps() const {
        unsigned bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= unsigned(menu->run().layer()->lamp(QStringLiteral("L%1").arg(i + 1)) >= 0.5) << i;
        return bits;
    }

    BoardForm* form = nullptr;
    app::RunMenu* menu = nullptr;
};

TEST_F(RunTest, LedStepsTheLampsAndStopGivesBackTheDrawing) {
    pick(QStringLiteral("P1口输出 流水灯"));
    // The front panel's blink and the motors' own turning are stopped so that both pictures are taken in
    // the same phase.
    boards::FrontPanel::of(*form)->Timer1()->stop();
    for (TiMotor* motor : form->findChildren<TiMotor*>())
        motor->setFanOn(false);
    const QImage before = screenImage(mainform);
    const QString plateBefore = boards::BoardGuide::of(*form)->plateText();
    run();
    EXPECT_EQ(mainform->PageControl1->currentWidget(), mainform->TabSheet2);
    // One lamp after the other, each about 200 ms, as the real board shows them.
    QList<unsigned> seen;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && seen.size() < 4) {
        QTest::qWait(10);
        const unsigned lit = litLamps();
        if (lit && (seen.isEmpty() || seen.last() != lit))
            seen << lit;
    }
    ASSERT_GE(seen.size(), 4) << "the lamps did not step";
    for (int i = 1; i < seen.size(); ++i)
        EXPECT_EQ(__builtin_popcount(seen[i]), 1) << seen[i];
    EXPECT_TRUE(menu->run().layer()->plate().startsWith(QStringLiteral("运行中"))) << menu->run().layer()->plate().toStdString();
    saveShot(screenImage(mainform), "run-led");

    menu->stopAction()->trigger();
    EXPECT_FALSE(menu->run().active());
    EXPECT_EQ(form->findChild<boards::RunLayer*>(), nullptr);
    EXPECT_EQ(boards::BoardGuide::of(*form)->plateText(), plateBefore);
    const QImage after = screenImage(mainform);
    const QList<QPoint> changed = differingPixels(before, after);
    QRect where;
    for (const QPoint& p : changed)
        where |= QRect(p, QSize(1, 1));
    EXPECT_TRUE(changed.isEmpty()) << "the drawing changed after 停止 at " << where.x() << "," << where.y() << " "
                                   << where.width() << "x" << where.height();
    if (!changed.isEmpty()) {
        saveShot(before, "run-before");
        saveShot(after, "run-after");
    }
    EXPECT_FALSE(boards::FrontPanel::of(*form)->Timer1()->isActive()) << "stopped before, stopped after";
}

TEST_F(RunTest, AClickedSwitchLightsItsLampAndTheDemonstrationComesBack) {
    pick(QStringLiteral("P1口输入输出 开关控制灯"));
    ASSERT_TRUE(boards::FrontPanel::of(*form)->Timer1()->isActive());
    // Zoomed to 150 %: the switch's twin takes the original's place at that zoom.
    app::ViewMenu::of(*mainform)->zoom()->actualSize()->trigger();
    for (int i = 0; i < 3; ++i)
        app::ViewMenu::of(*mainform)->zoom()->zoomIn()->trigger();
    ASSERT_DOUBLE_EQ(form->zoom(), 1.5);
    run();
    EXPECT_FALSE(boards::FrontPanel::of(*form)->Timer1()->isActive()) << "the banner gives way to the program";
    auto* k3 = qobject_cast<TiSwitchRocker*>(menu->run().instruments()->twinOf(QStringLiteral("K3")));
    ASSERT_NE(k3, nullptr);
    const QRect designed = form->components()[form->indexOf(QStringLiteral("K3"))].rect;
    EXPECT_EQ(k3->geometry(), zoom::scaled(designed, 1.5));
    // A click near the right edge of what is drawn lands on the switch at every zoom (taken unscaled, it would
    // fall outside it and do nothing).
    ASSERT_FALSE(k3->Active());
    QTest::mouseClick(k3, Qt::LeftButton, {}, QPoint(k3->width() * 9 / 10, k3->height() / 4));
    EXPECT_TRUE(k3->Active());
    QTRY_COMPARE_WITH_TIMEOUT(litLamps(), 0b0100u, 1000);
    // Its number key toggles K1 from the board tab.
    QTest::keyClick(mainform->TabSheet2, Qt::Key_1);
    QTRY_COMPARE_WITH_TIMEOUT(litLamps(), 0b0101u, 1000);
    // Another experiment ends the run cleanly.
    pick(QStringLiteral("P1口输出 流水灯"));
    EXPECT_FALSE(menu->run().active());
    EXPECT_TRUE(boards::FrontPanel::of(*form)->Timer1()->isActive());
    EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("K3"))->isVisible());
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("K3_run")), nullptr);
}

TEST_F(RunTest, TheDigitsReadOneToSixInTheirPixelsAndAHeldKeyShowsOnTheRight) {
    pick(QStringLiteral("数码管动态显示"));
    run();
    QTest::qWait(300);
    const QList<TiSevenSegmentCharacter*> digits = menu->run().instruments()->digits();
    ASSERT_EQ(digits.size(), 6);
    // The widget's pixels against a digit of the same layout drawn steadily with the data book's glyph.
    const int glyphs[] = {0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D}; // 1 … 6, bit 0 = segment a
    for (int i = 0; i < 6; ++i) {
        const int index = form->indexOf(QStringLiteral("led%1").arg(i + 1));
        std::unique_ptr<QWidget> reference(boards::createInstrument(form->components()[index], nullptr));
        auto* ref = static_cast<TiSevenSegmentCharacter*>(reference.get());
        ref->resize(digits[i]->size());
        ref->setUseSegmentBits(true);
        ref->setSegmentBits(glyphs[i]);
        EXPECT_EQ(digits[i]->grab().toImage(), ref->grab().toImage()) << "digit " << i + 1;
    }
    saveShot(screenImage(mainform), "run-display");

    pick(QStringLiteral("键盘扫描与数码管显示"));
    run();
    auto* pad = qobject_cast<TiPhonePad*>(menu->run().instruments()->twinOf(QStringLiteral("pp_key")));
    ASSERT_NE(pad, nullptr);
    int five = -1;
    for (int k = 0; k < TiPhonePad::kKeyCount; ++k)
        if (pad->ButtonCaption(k) == u"5")
            five = k;
    ASSERT_GE(five, 0);
    pad->Layout();
    const QPoint at = pad->KeyAt(five).rect.center();
    QTest::mousePress(pad, Qt::LeftButton, {}, at);
    QTest::qWait(200); // held for a while, as a finger holds it
    QTest::mouseRelease(pad, Qt::LeftButton, {}, at);
    QTRY_COMPARE_WITH_TIMEOUT(menu->run().instruments()->digits().last()->SegmentBits(), 0x6D, 1000);
}

TEST_F(RunTest, TheLcdWritesBothLines) {
    pick(QStringLiteral("字符液晶显示"));
    run();
    QTRY_VERIFY_WITH_TIMEOUT(menu->run().instruments()->lcd()->TextBytes().contains("HELLO STUDENT"), 2000);
    const QByteArray text = menu->run().instruments()->lcd()->TextBytes();
    EXPECT_TRUE(text.startsWith("QK LAB 51 LCD")) << text.toStdString();
    saveShot(screenImage(mainform), "run-lcd");
}

TEST_F(RunTest, AssemblyErrorsAreListedOnTheSourceTabAndNothingRuns) {
    pick(QStringLiteral("P1口输出 流水灯"));
    QList<QByteArray> lines = mainform->SynEdtasm->Lines();
    ASSERT_GT(lines.size(), 6);
    mainform->SynEdtasm->setCaret(0, 0);
    QTest::keyClicks(mainform->SynEdtasm, "  MOVX A,#12H");
    QTest::keyClick(mainform->SynEdtasm, Qt::Key_Return);
    menu->runAction()->trigger();
    EXPECT_FALSE(menu->run().active());
    EXPECT_EQ(mainform->PageControl1->currentWidget(), mainform->TabSheet1);
    ASSERT_TRUE(menu->errorList()->isVisible());
    ASSERT_GE(menu->errorList()->count(), 1);
    EXPECT_TRUE(menu->errorList()->item(0)->text().startsWith(QStringLiteral("第1行："))) << menu->errorList()->item(0)->text().toStdString();
    EXPECT_EQ(mainform->SynEdtasm->caretLine(), 0);
    // Mended, it runs and the list goes.
    mainform->SynEdtasm->loadFromBytes(lines.join("\r\n"));
    run();
    EXPECT_FALSE(menu->errorList()->isVisible());
}

TEST_F(RunTest, PausedTheRegistersAndTheLineShowAndAStepAdvances) {
    pick(QStringLiteral("P1口输出 流水灯"));
    run();
    QTest::qWait(100);
    menu->pauseAction()->trigger();
    ASSERT_EQ(menu->run().state(), boards::BoardRun::State::Paused);
    EXPECT_TRUE(menu->registerView()->isVisibleTo(mainform->TabSheet1));
    const int line = menu->run().currentLine();
    EXPECT_GT(line, 0);
    const QString pc = menu->registerView()->topLevelItem(0)->text(1);
    menu->stepAction()->trigger();
    EXPECT_NE(menu->registerView()->topLevelItem(0)->text(1), pc) << "one instruction moves the PC";
    menu->pauseAction()->trigger();
    EXPECT_EQ(menu->run().state(), boards::BoardRun::State::Running);
    EXPECT_FALSE(menu->registerView()->isVisibleTo(mainform->TabSheet1));
    // A model change ends the run.
    choose(models()[1]);
    EXPECT_FALSE(menu->run().active());
}

TEST_F(RunTest, The8088ScansItsNameAndShowsItsRegistersPaused) {
    // Type 88 on the same board: display.asm of asm/88 writes "8088-1" (its text says so).
    QRadioButton* type88 = form->RGTYPE()->button(1);
    ASSERT_NE(type88, nullptr);
    QStyleOptionButton option;
    option.initFrom(type88);
    QTest::mouseClick(type88, Qt::LeftButton, {},
                      type88->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, type88).center());
    settle(10);
    ASSERT_EQ(form->selectedCpuType(), 2);
    pick(QStringLiteral("数码管动态显示"));
    run();
    // 8, 0, 8, 8, -, 1 in the data book's segment codes (bit 0 = segment a).
    const QList<int> want{0x7F, 0x3F, 0x7F, 0x7F, 0x40, 0x06};
    auto shown = [this] {
        QList<int> bits;
        for (TiSevenSegmentCharacter* d : menu->run().instruments()->digits())
            bits << d->SegmentBits();
        return bits;
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(), want, 3000);
    menu->pauseAction()->trigger();
    for (const char* name : {"AX", "BX", "CX", "DX", "SI", "DI", "BP", "SP", "CS", "DS", "SS", "ES", "IP"})
        EXPECT_FALSE(menu->registerView()->valueOf(QLatin1String(name)).isEmpty()) << name;
    EXPECT_GT(menu->run().currentLine(), 0);
    saveShot(screenImage(mainform), "run-8088");
}

} // namespace
