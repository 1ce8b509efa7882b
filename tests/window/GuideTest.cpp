// The board's guide on a real display, as a student uses it: a labelled step with its plate, the whole
// wiring at once, the terminal finder with its ring, and the step keys with the focus in the experiment list
// or on a button.
#include "app/ViewMenu.h"
#include "boards/BoardGuide.h"
#include "boards/TerminalFinder.h"
#include "engine/linksheet.h"
#include "source/SynEdit.h"
#include "tests/window/ProgramFixture.h"
#include "tests/window/WindowSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace window;

namespace {

const QString kExperiment = QStringLiteral("8255并行口 A口输出B口输入");

QPoint centreOf(const QRect& r) {
    return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2);
}

class GuideTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        // Keys and shortcuts go to the active window, as they do for the student at the keyboard.
        mainform->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainform, 5000));
        form = choose(models()[0]);
        ASSERT_NE(form, nullptr);
        guide = boards::BoardGuide::of(*form);
        ASSERT_NE(guide, nullptr);
        menu = app::ViewMenu::of(*mainform);
        ASSERT_NE(menu, nullptr);
    }

    // Picks the experiment in the list with the arrow keys, as a student does.
    void pickExperiment() {
        QComboBox* list = form->cbExam();
        const int item = list->findText(kExperiment);
        ASSERT_GE(item, 0);
        list->setFocus();
        while (list->currentIndex() != item)
            QTest::keyClick(list, list->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
        settle(10);
        ASSERT_EQ(ExperimentRecord.ExperimentName.toString(), kExperiment);
    }

    // A terminal's centre on the main window's picture.
    QPoint onScreen(const QString& terminal) {
        const int i = form->indexOf("SHP_" + terminal);
        EXPECT_GE(i, 0) << terminal.toStdString();
        return form->boardArea()->mapTo(mainform, centreOf(form->componentRect(i)));
    }

    // Pixels of the colour within a square of half-size r around p.
    static int pixelsAround(const QImage& image, QPoint p, int r, const QColor& colour) {
        int n = 0;
        for (int y = p.y() - r; y <= p.y() + r; ++y)
            for (int x = p.x() - r; x <= p.x() + r; ++x)
                n += image.valid(x, y) && QColor(image.pixel(x, y)) == colour;
        return n;
    }

    BoardForm* form = nullptr;
    boards::BoardGuide* guide = nullptr;
    app::ViewMenu* menu = nullptr;
};

TEST_F(GuideTest, LabelledStepWithItsPlate) {
    EXPECT_EQ(guide->plateText(), "请选择实验");
    pickExperiment();
    EXPECT_EQ(guide->plateText(), "实验：" + kExperiment + "  共16步");
    EXPECT_EQ(QApplication::focusWidget(), form->BitBtn_next()) << "the focus moves to 下一步";
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
    EXPECT_EQ(guide->plateText(), "第3步/共16步  K3 → PB2");
    const QImage named = screenImage(mainform);
    saveShot(named, "guide-labelled-step");

    // The circles stay visible at both terminals; the names lie beside them, not over them.
    menu->showNames()->trigger();
    EXPECT_FALSE(menu->showNames()->isChecked());
    const QImage plain = screenImage(mainform);
    for (const QString t : {"K3", "PB2"}) {
        const QPoint c = onScreen(t);
        EXPECT_GE(redPixelsAround(named, c), 12) << t.toStdString();
        EXPECT_EQ(named.copy(c.x() - 5, c.y() - 5, 11, 11), plain.copy(c.x() - 5, c.y() - 5, 11, 11))
            << t.toStdString() << ": the name covers the circle";
        int labelled = 0;
        for (int y = c.y() - 30; y <= c.y() + 30; ++y)
            for (int x = c.x() - 60; x <= c.x() + 60; ++x)
                labelled += named.valid(x, y) && named.pixel(x, y) != plain.pixel(x, y);
        EXPECT_GT(labelled, 60) << t.toStdString() << ": no name beside the circle";
    }
    // The plate stands in the strip above the terminals, in navy.
    const QPoint plate = form->boardArea()->mapTo(mainform, QPoint(6, 10));
    EXPECT_EQ(QColor(named.pixel(plate)), QColor(0, 0, 128));
    EXPECT_NE(QColor(plain.pixel(plate)), QColor(0, 0, 128));
    menu->showNames()->trigger();

    // A type change, like a model choice, leaves no experiment current: the plate asks for one.
    form->RGTYPE()->button(1)->click();
    EXPECT_EQ(guide->plateText(), "请选择实验");
    pickExperiment();
    QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
    choose(models()[0]);
    EXPECT_EQ(guide->plateText(), "请选择实验");
}

TEST_F(GuideTest, WholeWiringInItsColours) {
    pickExperiment();
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
    QTest::keyClick(mainform, Qt::Key_F5);
    ASSERT_TRUE(menu->showAll()->isChecked());
    QImage shot = screenImage(mainform);
    saveShot(shot, "guide-overview");
    // Every other connection ends in dots of its own colour; the current one keeps the red circles.
    const QList<StepPlan>& plans = guide->plans();
    ASSERT_EQ(plans.size(), 16);
    for (int i = 0; i < plans.size(); ++i) {
        for (const QByteArray& t : {plans[i].first, plans[i].second}) {
            const QPoint c = onScreen(QString::fromLatin1(t));
            if (i == 2)
                EXPECT_GE(redPixelsAround(shot, c), 12) << "step 3 at " << t.toStdString();
            else
                EXPECT_EQ(QColor(shot.pixel(c)), boards::wiringColour(i))
                    << "step " << i + 1 << " at " << t.toStdString();
        }
    }
    // The step buttons go on working: the next step becomes the emphasised one.
    QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
    EXPECT_EQ(guide->plateText(), "第4步/共16步  K4 → PB3");
    shot = screenImage(mainform);
    EXPECT_GE(redPixelsAround(shot, onScreen("K4")), 12);
    EXPECT_EQ(QColor(shot.pixel(onScreen("K3"))), boards::wiringColour(2));
    QTest::keyClick(mainform, Qt::Key_F5);
    EXPECT_FALSE(menu->showAll()->isChecked());
}

TEST_F(GuideTest, FinderRingsTheTerminalAndNamesItsBlock) {
    QTest::keySequence(mainform, QKeySequence(Qt::CTRL | Qt::Key_F));
    settle(30);
    boards::TerminalFinder* finder = menu->finder();
    ASSERT_TRUE(finder->isVisible());
    QTest::keyClicks(finder->input(), "pb2");
    QTest::keyClick(finder->input(), Qt::Key_Return);
    EXPECT_EQ(finder->message()->text(), "找到 PB2，在“8255”");
    ASSERT_TRUE(guide->foundShown());
    const QImage shot = screenImage(mainform);
    saveShot(shot, "guide-finder");
    EXPECT_GT(pixelsAround(shot, onScreen("PB2"), 16, QColor(230, 0, 230)), 20) << "no ring around PB2";
    // The ring stays for its three seconds, then goes (waited for, not slept: a loaded machine may be late).
    QElapsedTimer pulse;
    pulse.start();
    QTRY_VERIFY_WITH_TIMEOUT(!guide->foundShown(), boards::BoardGuide::kPulseMs * 4);
    EXPECT_GE(pulse.elapsed(), boards::BoardGuide::kPulseMs - 500) << "the ring went early";
    EXPECT_EQ(pixelsAround(screenImage(mainform), onScreen("PB2"), 16, QColor(230, 0, 230)), 0);

    finder->input()->setText("X9");
    QTest::keyClick(finder->input(), Qt::Key_Return);
    EXPECT_EQ(finder->message()->text(), "本板没有端子 X9");
    EXPECT_FALSE(guide->foundShown());
    finder->close();

    // Hovering a terminal rings it with its hint; a block that opens a picture shows the hand.
    QWidget* area = form->boardArea();
    const QPoint pb2 = centreOf(form->componentRect(form->indexOf("SHP_PB2")));
    QHelpEvent tip(QEvent::ToolTip, pb2, area->mapToGlobal(pb2));
    QApplication::sendEvent(area, &tip);
    EXPECT_EQ(guide->hoveredTerminal(), form->indexOf("SHP_PB2"));
    auto moveTo = [&](const QString& block) {
        const QPoint at = form->components()[form->indexOf(block)].rect.center();
        QMouseEvent move(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(area, &move);
    };
    moveTo("sb_cpu");
    EXPECT_EQ(area->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(guide->hoveredTerminal(), -1);
    moveTo("sb_pci32"); // its click is not wired
    EXPECT_EQ(area->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(form->widgetOf(form->indexOf("lc_lcd"))->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(GuideTest, FinderSearchesTheHighlightedCompletionAtOnce) {
    QTest::keySequence(mainform, QKeySequence(Qt::CTRL | Qt::Key_F));
    settle(30);
    boards::TerminalFinder* finder = menu->finder();
    ASSERT_TRUE(finder->isVisible());
    QLineEdit* input = finder->input();
    QAbstractItemView* popup = finder->completer()->popup();
    auto typeNew = [&](const char* text) {
        input->selectAll();
        QTest::keyClicks(input, text);
        ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, 2000)) << text;
    };

    // By what the box prints: the message names the terminal both ways.
    typeNew("sp+");
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(finder->message()->text(), "找到 SPH（SP+），在“电机”");
    EXPECT_TRUE(guide->foundShown());
    EXPECT_GT(pixelsAround(screenImage(mainform), onScreen("SPH"), 16, QColor(230, 0, 230)), 20)
        << "no ring around SPH";

    // The list open, a completion highlighted: one Enter takes it and searches.
    typeNew("pa");
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    ASSERT_EQ(input->text(), "PA1");
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(input->text(), "PA1");
    EXPECT_EQ(finder->message()->text(), "找到 PA1，在“8255”");

    // A second search with the list open and nothing highlighted: what was typed, at once.
    typeNew("pb3");
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(input->text(), "pb3");
    EXPECT_EQ(finder->message()->text(), "找到 PB3，在“8255”");
    // Typing on leaves no message about another terminal beside the box.
    typeNew("pb");
    EXPECT_EQ(finder->message()->text(), "");
    finder->close();
}

TEST_F(GuideTest, StepKeysLeaveTheChosenExperiment) {
    pickExperiment();
    QComboBox* list = form->cbExam();
    const int chosen = list->currentIndex();
    list->setFocus();
    settle(10);
    ASSERT_EQ(QApplication::focusWidget(), list);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(StepIndex, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(StepIndex, 1);
    EXPECT_EQ(guide->plateText(), "第2步/共16步  K2 → PB1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp); // shows step 2 again, as 前一步 does
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_EQ(StepIndex, -1);
    EXPECT_FALSE(form->BitBtn_prev()->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp); // disabled: nothing happens
    EXPECT_EQ(StepIndex, -1);
    EXPECT_EQ(list->currentIndex(), chosen);
    EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), kExperiment);
    EXPECT_EQ(QApplication::focusWidget(), list);
    saveShot(screenImage(mainform), "guide-keys");
    // With the source tab in front the keys belong to the editor.
    mainform->PageControl1->setCurrentWidget(mainform->TabSheet1);
    settle(10);
    QTest::keyClick(mainform->SynEdtasm, Qt::Key_PageDown);
    EXPECT_EQ(StepIndex, -1);
}

TEST_F(GuideTest, FocusedButtonTakesSpaceAndReturn) {
    pickExperiment();
    QPushButton* next = form->BitBtn_next();
    ASSERT_EQ(QApplication::focusWidget(), next);
    QTest::keyClick(next, Qt::Key_Space);
    EXPECT_EQ(StepIndex, 0) << "Space on 下一步 presses it once";
    QTest::keyClick(next, Qt::Key_Return);
    EXPECT_EQ(StepIndex, 1);

    // A document button opens its viewer; the step stays where it was.
    QPushButton* purpose = form->BitBtn_result();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                         std::pair{Qt::Key_Enter, Qt::KeypadModifier},
                                         std::pair{Qt::Key_Space, Qt::NoModifier}}) {
        mainform->activateWindow(); // back from the last viewer
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainform, 5000));
        purpose->setFocus();
        settle(10);
        ASSERT_EQ(QApplication::focusWidget(), purpose);
        const Qt::Key pressed = key; // a lambda may not capture a structured binding (C++20 as clang 14 reads it)
        const Qt::KeyboardModifier held = modifiers;
        const ModalSeen seen = runModal([&] { QTest::keyClick(purpose, pressed, held); });
        EXPECT_TRUE(seen.opened) << "key " << key << " opened no viewer";
        EXPECT_EQ(seen.className, "TFrmEdit");
        EXPECT_EQ(StepIndex, 1) << "key " << key;
    }
    // PgDn still steps from the focused button.
    mainform->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainform, 5000));
    purpose->setFocus();
    settle(10);
    QTest::keyClick(purpose, Qt::Key_PageDown);
    EXPECT_EQ(StepIndex, 2);
    EXPECT_EQ(guide->plateText(), "第3步/共16步  K3 → PB2");
}

} // namespace
