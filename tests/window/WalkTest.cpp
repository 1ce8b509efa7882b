// The program on a real display, used as a student uses it: each model from the menu, each experiment type,
// each experiment; every wiring list walked forward and back with the connection checked on the screen;
// every document button, module block and reference item opened and closed; the tabs; closing.
#include "base/Gbk.h"
#include "base/ProgramFolder.h"
#include "boards/BoardForm.h"
#include "engine/linksheet.h"
#include "source/SynEdit.h"
#include "tests/window/Catalogue.h"
#include "tests/window/ProgramFixture.h"
#include "tests/window/WindowSupport.h"
#include "viewers/U_Edit.h"
#include "viewers/U_sch.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>

#include "app/VideoTab.h"

using namespace window;

namespace {

QString plainCaption(QString caption) {
    caption.remove(QRegularExpression("\\(&.\\)$"));
    caption.remove('&');
    return caption;
}

QString lf(QString text) {
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

QPoint centreOf(const QRect& r) { return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2); }

// Where a user clicks a radio item: its round indicator (a wide item takes clicks only on its indicator and text).
QPoint radioIndicator(QRadioButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    return button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button).center();
}

// The key a user presses for a menu item: the character after its "&".
QChar accessKey(const QAction* action) {
    const qsizetype amp = action->text().indexOf('&');
    return amp >= 0 && amp + 1 < action->text().size() ? action->text()[amp + 1].toUpper() : QChar();
}

class WalkTest : public ProgramFixture {
protected:
    // The connection a step should show, as the board's layout places its terminals; false when a terminal
    // is not on the board.
    bool expectedConnection(BoardForm* form, const QByteArray& step, QPoint& from, QPoint& to) {
        const auto [a, b] = stepTerminalNames(step);
        const int ia = form->indexOf(QString::fromLatin1(a));
        const int ib = form->indexOf(QString::fromLatin1(b));
        if (ia < 0 || ib < 0)
            return false;
        from = centreOf(form->componentRect(ia));
        to = centreOf(form->componentRect(ib));
        return true;
    }

    // What the board area shows after a step: only the two circles and the line between the terminals'
    // centres differ from the picture before any step.
    void checkConnectionDrawn(BoardForm* form, const QImage& before, QPoint from, QPoint to, const QString& what) {
        const QImage now = areaImage(form);
        const QList<QPoint> changed = differingPixels(before, now);
        EXPECT_FALSE(changed.isEmpty()) << what.toStdString() << ": nothing drawn";
        int stray = 0;
        QPoint firstStray;
        for (const QPoint& p : changed)
            if (distanceToSegment(p, from, to) > 6.5 && stray++ == 0)
                firstStray = p;
        EXPECT_EQ(stray, 0) << what.toStdString() << ": pixels changed away from the connection, first at "
                            << firstStray.x() << "," << firstStray.y();
        EXPECT_GE(redPixelsAround(now, from), 12) << what.toStdString() << ": no red circle at " << from.x() << ","
                                                  << from.y();
        EXPECT_GE(redPixelsAround(now, to), 12) << what.toStdString() << ": no red circle at " << to.x() << ","
                                                << to.y();
        const QPoint mid = (from + to) / 2;
        if ((to - from).manhattanLength() > 16) {
            EXPECT_TRUE(blueNear(now, mid)) << what.toStdString() << ": no blue line at " << mid.x() << "," << mid.y();
        }
    }

    // The connection is on the screen where the user looks: the circles at the terminals' places in the
    // main window, except where an instrument widget lies above the board area.
    void checkConnectionOnScreen(BoardForm* form, const QImage& screen, QPoint from, QPoint to, const QString& what) {
        QWidget* area = form->boardArea();
        for (const QPoint& p : {from, to}) {
            if (area->childAt(p))
                continue;
            const QPoint s = area->mapTo(mainform, p);
            EXPECT_GE(redPixelsAround(screen, s), 12)
                << what.toStdString() << ": the screen shows no red circle at " << s.x() << "," << s.y();
        }
    }

    // Opens a text document button and checks the viewer's title and text.
    void checkTextButton(QPushButton* button, const QString& prefix, const QString& name, const QString& source,
                         const QString& shotName) {
        ASSERT_TRUE(button->isEnabled()) << prefix.toStdString();
        QString memo;
        const ModalSeen seen =
            runModal([&] { QTest::mouseClick(button, Qt::LeftButton); },
                     [&](QWidget*) { memo = FrmEdit->Memo1->toPlainText(); });
        ASSERT_TRUE(seen.opened) << prefix.toStdString() << " opened no viewer";
        EXPECT_TRUE(seen.exposed);
        EXPECT_EQ(seen.className, "TFrmEdit");
        EXPECT_EQ(seen.title, prefix + name);
        EXPECT_EQ(seen.barTitle.toStdString(), (prefix + name).toStdString()) << "the title bar adds to the title";
        const QString expected = lf(source);
        // The stored requirement and purpose have a capacity in bytes; the viewer shows what was stored.
        if (gbk::encode(expected).size() <= 255 || prefix.startsWith("实验说明")) {
            EXPECT_EQ(memo, expected) << prefix.toStdString();
        } else {
            EXPECT_TRUE(!memo.isEmpty() && expected.startsWith(memo)) << prefix.toStdString();
        }
        if (!shotName.isEmpty() && !seen.shot.isNull())
            saveShot(seen.shot, shotName);
        EXPECT_FALSE(FrmEdit->isVisible());
    }

    // Opens a picture button: the viewer shows exactly when the picture file is there.
    void checkPictureButton(QPushButton* button, const QString& prefix, const QString& name, const QString& file,
                            const QString& shotName) {
        ASSERT_TRUE(button->isEnabled()) << prefix.toStdString();
        const bool present = !file.isEmpty() && !programfolder::findFile(programfolder::path() + "pic/" + file).isEmpty();
        const ModalSeen seen = runModal([&] { QTest::mouseClick(button, Qt::LeftButton); });
        EXPECT_EQ(seen.opened, present) << prefix.toStdString() << " pic/" << file.toStdString();
        if (seen.opened) {
            EXPECT_EQ(seen.className, "Tfrmsch");
            EXPECT_EQ(seen.title, prefix + name);
            EXPECT_EQ(seen.barTitle.toStdString(), (prefix + name).toStdString()) << "the title bar adds to the title";
            if (!shotName.isEmpty() && !seen.shot.isNull())
                saveShot(seen.shot, shotName);
        }
    }

    void walkExperiment(const Model& model, BoardForm* form, int type, int item, bool viewerShots) {
        QComboBox* list = form->cbExam();
        const QString name = list->itemText(item);
        const QString tag = QString("%1-%2-%3").arg(model.board).arg(type).arg(item + 1, 2, 10, QChar('0'));
        SCOPED_TRACE(tag.toStdString() + " " + name.toStdString());
        const SourceExperiment* source = findExperiment(type, name);
        ASSERT_NE(source, nullptr) << "not in the catalogue source: " << name.toStdString();

        // The user picks the next experiment in the list with the arrow key.
        while (list->currentIndex() != item)
            QTest::keyClick(list, list->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
        settle(10);
        EXPECT_EQ(ExperimentRecord.ExperimentName.toString(), name);
        EXPECT_EQ(form->st_tishi()->caption(), "实验接线表:[入口地址:" + source->entry + "]\r" +
                                                   ExperimentRecord.WiringText.toString());
        EXPECT_FALSE(form->boardArea()->connection().has_value()) << "choosing an experiment erases the connection";
        const QList<QByteArray> sourceSteps = parseWiringSteps(gbk::encode(source->wiring));
        if (gbk::encode(source->wiring).size() <= 255) {
            EXPECT_EQ(LastStep + 1, sourceSteps.size());
        }
        EXPECT_EQ(StepIndex, -1);
        EXPECT_EQ(form->BitBtn_next()->isEnabled(), LastStep >= 0);
        for (QPushButton* b : {form->BitBtn_yaoqiu(), form->BitBtn_result(), form->bbtn_descrip(), form->BitBtn_sch(),
                               form->BitBtn_flow()})
            EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();

        // The source tab holds the experiment's program when its file is there.
        const QString asmFolder = type == Cpu51 ? "51" : type == Cpu96 ? "96" : "88";
        const QString asmFile =
            source->program.isEmpty()
                ? QString()
                : programfolder::findFile(programfolder::path() + "asm/" + asmFolder + "/" + source->program);
        if (!asmFile.isEmpty()) {
            QFile f(asmFile);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QString firstLine = gbk::decodeSource(f.readAll()).section('\n', 0, 0).remove('\r');
            const QList<QByteArray> lines = mainform->SynEdtasm->Lines();
            ASSERT_FALSE(lines.isEmpty()) << "source " << source->program.toStdString() << " not in the source tab";
            EXPECT_EQ(gbk::decode(lines[0]), firstLine) << "source " << source->program.toStdString();
        }

        const QImage before = areaImage(form);
        const int steps = LastStep + 1;
        QList<std::pair<QPoint, QPoint>> expected(steps);
        for (int k = 0; k < steps; ++k) {
            const QByteArray step = (*WiringSteps)[k];
            EXPECT_TRUE(expectedConnection(form, step, expected[k].first, expected[k].second))
                << "step " << k + 1 << " \"" << step.toStdString() << "\" names a terminal the board lacks";
        }

        // Forward through the whole list.
        for (int k = 0; k < steps; ++k) {
            ASSERT_TRUE(form->BitBtn_next()->isEnabled()) << "下一步 at step " << k + 1;
            QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
            EXPECT_EQ(StepIndex, k);
            EXPECT_EQ(form->BitBtn_next()->isEnabled(), k != LastStep);
            EXPECT_TRUE(form->BitBtn_prev()->isEnabled());
            checkConnectionDrawn(form, before, expected[k].first, expected[k].second,
                                 QString("%1 step %2 forward").arg(tag).arg(k + 1));
        }
        if (steps > 0) {
            const QImage screen = screenImage(mainform);
            checkConnectionOnScreen(form, screen, expected[steps - 1].first, expected[steps - 1].second, tag);
            saveShot(screen, tag);
        }
        // And back: each press shows the step at the cursor, then moves it.
        for (int k = steps - 1; k >= 0; --k) {
            ASSERT_TRUE(form->BitBtn_prev()->isEnabled()) << "前一步 at step " << k + 1;
            QTest::mouseClick(form->BitBtn_prev(), Qt::LeftButton);
            EXPECT_EQ(StepIndex, k - 1);
            EXPECT_EQ(form->BitBtn_prev()->isEnabled(), k > 0);
            EXPECT_TRUE(form->BitBtn_next()->isEnabled());
            checkConnectionDrawn(form, before, expected[k].first, expected[k].second,
                                 QString("%1 step %2 back").arg(tag).arg(k + 1));
        }

        const QString shot = viewerShots ? tag : QString();
        checkTextButton(form->BitBtn_yaoqiu(), "实验要求: ", name, source->requirement,
                        shot.isEmpty() ? shot : shot + "-yaoqiu");
        checkTextButton(form->BitBtn_result(), "实验目的: ", name, source->purpose,
                        shot.isEmpty() ? shot : shot + "-result");
        checkTextButton(form->bbtn_descrip(), "实验说明: ", name, source->description,
                        shot.isEmpty() ? shot : shot + "-descrip");
        checkPictureButton(form->BitBtn_sch(), "电路图: ", name, source->circuit, shot.isEmpty() ? shot : shot + "-sch");
        checkPictureButton(form->BitBtn_flow(), "流程图: ", name, source->flow, shot.isEmpty() ? shot : shot + "-flow");
        // The viewers leave the board as it was.
        EXPECT_EQ(mainform->DockedBoard, form);
    }

    void walkBoard(const Model& model) {
        BoardForm* form = choose(model);
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
        EXPECT_EQ(mainform->windowTitle(), QString("实验演示向导  当前机型:") + model.caption);
        EXPECT_EQ(mainform->DockedBoard, form);
        EXPECT_EQ(form->parentWidget(), mainform->pnl_dock);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->pos(), QPoint(0, 0));
        // The board keeps its own look inside the dock panel: the panel's texts are not drawn in the dock
        // panel's large silver italic caption font.
        for (QWidget* w : std::initializer_list<QWidget*>{form->Label1(), form->RGTYPE(), form->cbExam()}) {
            EXPECT_FALSE(w->font().italic()) << w->objectName().toStdString() << " inherits the dock caption's font";
            EXPECT_LT(QFontInfo(w->font()).pixelSize(), 20) << w->objectName().toStdString();
            EXPECT_NE(w->palette().color(QPalette::WindowText).name().toStdString(), "#c0c0c0")
                << w->objectName().toStdString() << " is drawn in the dock caption's silver";
        }

        // The board is on the screen: each terminal not under an instrument shows its fill at its centre.
        const QImage screen = screenImage(mainform);
        saveShot(screen, QString("%1-docked").arg(model.board));
        QWidget* area = form->boardArea();
        int terminals = 0, shown = 0;
        QString missing;
        for (int i = 0; i < form->componentCount(); ++i) {
            const boards::Component& c = form->components()[i];
            if (c.kind != boards::ComponentKind::Terminal || !c.brush.isValid())
                continue;
            const QPoint p = centreOf(form->componentRect(i));
            if (!area->rect().contains(p) || area->childAt(p))
                continue;
            ++terminals;
            const QPoint s = area->mapTo(mainform, p);
            if (screen.valid(s) && QColor(screen.pixel(s)) == c.brush)
                ++shown;
            else if (missing.size() < 200)
                missing += c.name + " ";
        }
        EXPECT_GT(terminals, 20);
        EXPECT_EQ(shown, terminals) << "terminals not shown at their place: " << missing.toStdString();

        for (int t = 0; t < form->RGTYPE()->count(); ++t) {
            if (t != form->RGTYPE()->itemIndex()) {
                QTest::mouseClick(form->RGTYPE()->button(t), Qt::LeftButton, {}, radioIndicator(form->RGTYPE()->button(t)));
                settle(10);
                EXPECT_EQ(form->RGTYPE()->itemIndex(), t);
                EXPECT_FALSE(form->BitBtn_next()->isEnabled());
                EXPECT_FALSE(form->bbtn_descrip()->isEnabled());
            }
            const int type = form->cpuTypeOfItem(t);
            EXPECT_EQ(ExperimentRecord.CpuType, type);
            QStringList shownNames;
            for (int i = 0; i < form->cbExam()->count(); ++i)
                shownNames << form->cbExam()->itemText(i);
            shownNames.sort();
            EXPECT_EQ(shownNames, namesOfType(type)) << "type " << type;
            EXPECT_EQ(form->cbExam()->currentIndex(), -1);
            for (int i = 0; i < form->cbExam()->count(); ++i) {
                walkExperiment(model, form, type, i, i == 0);
                if (HasFatalFailure())
                    return;
            }
        }
        EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    }
};

} // namespace

TEST_F(WalkTest, QK740X) { walkBoard(models()[0]); }
TEST_F(WalkTest, QK620X) { walkBoard(models()[1]); }
TEST_F(WalkTest, QK310X) { walkBoard(models()[2]); }
TEST_F(WalkTest, QK930X) { walkBoard(models()[3]); }

// The start screen, then each model chosen from the menu with the keyboard, as the underlined keys say.
TEST_F(WalkTest, ModelsFromTheMenuByKeyboard) {
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导");
    EXPECT_EQ(mainform->PageControl1->currentWidget(), mainform->TabSheet2);
    const QImage start = screenImage(mainform);
    saveShot(start, "start");
    // Only the dock panel's caption and labels: no board terminal's yellow anywhere.
    int yellow = 0;
    for (int y = 0; y < start.height(); ++y)
        for (int x = 0; x < start.width(); ++x)
            yellow += start.pixel(x, y) == qRgb(255, 255, 0);
    EXPECT_EQ(yellow, 0);

    QAction* devices = mainform->menuItem("N2");
    QAction* kind = mainform->menuItem("produceType");
    ASSERT_TRUE(devices && kind);
    BoardForm* previous = nullptr;
    for (const Model& model : models()) {
        SCOPED_TRACE(model.item);
        QAction* item = mainform->menuItem(model.item);
        ASSERT_NE(item, nullptr);
        mainform->activateWindow();
        settle(10);
        QTest::keyClick(mainform, accessKey(devices).toLatin1(), Qt::AltModifier);
        settle(30);
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr) << "Alt+" << accessKey(devices).toLatin1() << " opened no menu";
        QTest::keyClick(popup, accessKey(kind).toLatin1());
        settle(30);
        QWidget* sub = QApplication::activePopupWidget();
        ASSERT_TRUE(sub && sub != popup) << "the model submenu did not open";
        saveShot(screenImage(mainform), QString("menu-%1").arg(model.board));
        QTest::keyClick(sub, accessKey(item).toLatin1());
        settle(50);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(mainform->windowTitle(), QString("实验演示向导  当前机型:") + model.caption);
        EXPECT_TRUE(item->isChecked());
        BoardForm* form = model.form();
        EXPECT_EQ(mainform->DockedBoard, form);
        EXPECT_TRUE(form->isVisible());
        if (previous) {
            EXPECT_FALSE(previous->isVisible());
        }
        previous = form;
    }
    int checked = 0;
    for (const Model& model : models())
        checked += mainform->menuItem(model.item)->isChecked();
    EXPECT_EQ(checked, 1);
}

// Every reference item of the menu and every module block of each board opens its picture exactly when
// the picture is there, titled with the caption the user reads.
TEST_F(WalkTest, ReferenceItemsAndModuleBlocks) {
    int opened = 0, blockShots = 0, emptyTitles = 0;
    for (QAction* item : mainform->referenceItems()) {
        const QString file = item->objectName().mid(2) + ".jpg";
        const bool present = !programfolder::findFile(programfolder::path() + "pic/" + file).isEmpty();
        const ModalSeen seen = runModal([&] { item->trigger(); });
        EXPECT_EQ(seen.opened, present) << item->objectName().toStdString() << " pic/" << file.toStdString();
        if (seen.opened) {
            EXPECT_EQ(seen.className, "Tfrmsch");
            EXPECT_EQ(seen.title, plainCaption(item->text()));
            EXPECT_EQ(seen.barTitle.toStdString(), plainCaption(item->text()).toStdString());
            if (opened++ < 3 && !seen.shot.isNull())
                saveShot(seen.shot, "reference-" + item->objectName());
        }
    }
    for (const Model& model : models()) {
        BoardForm* form = choose(model);
        ASSERT_NE(form, nullptr);
        QWidget* area = form->boardArea();
        for (int i = 0; i < form->componentCount(); ++i) {
            const boards::Component& c = form->components()[i];
            if (c.kind != boards::ComponentKind::Block || !form->clickWired(i))
                continue;
            const QPoint p = centreOf(form->componentRect(i));
            if (area->childAt(p) || form->boardArea()->elementAt(p) != i)
                continue; // covered: the user cannot reach its middle
            const QString file = boards::blockKey(c.name) + ".jpg";
            const bool present = !programfolder::findFile(programfolder::path() + "pic/" + file).isEmpty();
            const ModalSeen seen = runModal([&] { QTest::mouseClick(area, Qt::LeftButton, {}, p); });
            EXPECT_EQ(seen.opened, present) << model.board << " " << c.name.toStdString() << " pic/" << file.toStdString();
            if (seen.opened) {
                EXPECT_EQ(seen.title, c.caption) << c.name.toStdString();
                // The title bar shows the caption; an empty one stays blank (not the program's name).
                EXPECT_EQ(c.caption.isEmpty() ? seen.barTitle.trimmed() : seen.barTitle, c.caption)
                    << c.name.toStdString() << " shows \"" << seen.barTitle.toStdString() << "\"";
                if (blockShots++ < 4 && !seen.shot.isNull())
                    saveShot(seen.shot, QString("block-%1-%2").arg(model.board, c.name));
            }
            EXPECT_EQ(form->boardArea()->pressedBlock(), -1);
        }
        // A clicked instrument widget opens its picture under an empty title, and the title bar is blank.
        const int lcd = form->indexOf("lc_lcd");
        QWidget* widget = lcd >= 0 ? form->widgetOf(lcd) : nullptr;
        if (widget && form->clickWired(lcd) && !programfolder::findFile(programfolder::path() + "pic/lcd.jpg").isEmpty()) {
            const ModalSeen seen = runModal([&] { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); });
            EXPECT_TRUE(seen.opened) << model.board;
            EXPECT_EQ(seen.title, "") << model.board;
            EXPECT_TRUE(seen.barTitle.trimmed().isEmpty()) << model.board << " shows \"" << seen.barTitle.toStdString() << "\"";
            ++emptyTitles;
        }
    }
    EXPECT_GT(emptyTitles, 0);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
}

// A picture the user opens is shown fitted into the viewer under its title (a program folder of the
// test's own, with a circuit picture for the first 51 experiment, so the path is taken whatever pictures
// the data delivers).
TEST_F(WalkTest, CircuitPictureIsShown) {
    const QList<SourceExperiment>& all = sourceCatalogue();
    const SourceExperiment* chosen = nullptr;
    for (const SourceExperiment& e : all)
        if (e.cpuType == Cpu51 && !e.circuit.isEmpty() && (!chosen || e.name < chosen->name))
            chosen = &e;
    ASSERT_NE(chosen, nullptr);
    QTemporaryDir program;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(qRgb(0, 128, 255));
    ASSERT_TRUE(QDir().mkpath(program.filePath("pic")));
    const QString suffix = QFileInfo(chosen->circuit).suffix().toLower();
    ASSERT_TRUE(picture.save(program.filePath("pic/" + chosen->circuit), suffix == "jpg" ? "JPEG" : "PNG"));
    programfolder::setOverride(program.path());

    BoardForm* form = choose(models()[0]);
    ASSERT_NE(form, nullptr);
    const int item = form->cbExam()->findText(chosen->name);
    ASSERT_GE(item, 0);
    while (form->cbExam()->currentIndex() != item)
        QTest::keyClick(form->cbExam(), Qt::Key_Down);
    const ModalSeen seen = runModal([&] { QTest::mouseClick(form->BitBtn_sch(), Qt::LeftButton); });
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.title, "电路图: " + chosen->name);
    ASSERT_FALSE(seen.shot.isNull());
    saveShot(seen.shot, "viewer-circuit");
    // The picture's colour fills a good part of the window.
    int blue = 0;
    for (int y = 0; y < seen.shot.height(); ++y)
        for (int x = 0; x < seen.shot.width(); ++x) {
            const QColor c(seen.shot.pixel(x, y));
            blue += qAbs(c.red() - 0) < 24 && qAbs(c.green() - 128) < 24 && qAbs(c.blue() - 255) < 24;
        }
    EXPECT_GT(blue, seen.shot.width() * seen.shot.height() / 4);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
}

// The three tabs, then closing the program.
TEST_F(WalkTest, TabsAndClosing) {
    BoardForm* form = choose(models()[0]);
    ASSERT_NE(form, nullptr);
    ASSERT_GT(form->cbExam()->count(), 0);
    QTest::keyClick(form->cbExam(), Qt::Key_Down);
    QTest::mouseClick(form->BitBtn_next(), Qt::LeftButton);
    QTabBar* tabs = mainform->PageControl1->tabBar();
    const char* names[] = {"tab-source", "tab-layout", "tab-video"};
    for (int i : {0, 2, 1}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
        settle(30);
        EXPECT_EQ(mainform->PageControl1->currentIndex(), i);
        saveShot(screenImage(mainform), names[i]);
        if (i == 0) {
            EXPECT_TRUE(mainform->SynEdtasm->isVisible());
        }
        if (i == 2) {
            EXPECT_TRUE(mainform->videoTab()->statusBar()->isVisible());
            EXPECT_EQ(mainform->videoTab()->statusText(), "录像停止");
        }
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->boardArea()->connection().has_value()) << "switching tabs keeps the step shown";
    mainform->close();
    settle(10);
    EXPECT_FALSE(mainform->isVisible());
    EXPECT_EQ(WiringSteps, nullptr);
    EXPECT_FALSE(QFileInfo::exists(work.filePath("Video.avi")));
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
}
