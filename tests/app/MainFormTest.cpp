// The main window as the user meets it: start state, menus, the model choice and its failure.
#include "app/ToolsMenu.h"
#include "app/mainform.h"
#include "base/ProgramFolder.h"
#include "boards/BoardInfo.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "engine/CatalogueSource.h"
#include "engine/linksheet.h"
#include "tests/support/CatalogueRows.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

CatalogueRow row(const QString& name, int type, const QString& wiring) {
    CatalogueRow r = testsupport::catalogueRow(name, type, wiring);
    r.entry = "0000H";
    return r;
}

// The seven forms, created as at start, in a working folder of the test's own.
class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        app::createForms();
        ASSERT_NE(mainform, nullptr);
    }
    void TearDown() override {
        delete mainform;
        QDir::setCurrent(oldCwd);
    }
    void writeCatalogue() {
        cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb",
                                        {row("流水灯", 1, "P10>L1"), row("并行口", 2, "PA0>L1,PA1>L2"),
                                         row("PCI输出", 4, "JO0>JL0")});
    }
    QTemporaryDir dir;
    QString oldCwd;
    testsupport::ErrorRecorder errors;
};

QString plain(QString caption) {
    caption.remove(QRegularExpression("\\(&.\\)$"));
    caption.remove('&');
    return caption;
}

} // namespace

TEST_F(MainFormFixture, StartsOnTheMachineLayoutTabWithNoModelChosen) {
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导");
    EXPECT_EQ(mainform->centralWidget()->size(), QSize(805, 644));
    EXPECT_EQ(mainform->PageControl1->currentWidget(), mainform->TabSheet2);
    EXPECT_EQ(mainform->PageControl1->count(), 3);
    EXPECT_EQ(mainform->PageControl1->tabText(0), "源程序");
    EXPECT_EQ(mainform->PageControl1->tabText(1), "机器布局");
    EXPECT_EQ(mainform->PageControl1->tabText(2), "视频区");
    EXPECT_EQ(mainform->pnl_dock->caption(), "Tarvel  祝您成功");
    EXPECT_EQ(mainform->Label1->geometry(), QRect(152, 120, 505, 80));
    EXPECT_EQ(mainform->Label2->geometry(), QRect(48, 400, 337, 25));
    EXPECT_EQ(mainform->Label3->geometry(), QRect(48, 432, 326, 27));
    EXPECT_EQ(mainform->DockedBoard, nullptr);
    EXPECT_FALSE(mainform->ADOConnection1.connected());
    ASSERT_NE(WiringSteps, nullptr);
    EXPECT_TRUE(WiringSteps->isEmpty());
    for (BoardForm* f : std::initializer_list<BoardForm*>{FRM_QK740X, Frm_620x, Frm310x1, frm8086}) {
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(f->isVisible());
    }
}

TEST_F(MainFormFixture, HasTheWholeMenuBar) {
    const QList<QAction*> top = mainform->MainMenu1->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(plain(top[0]->text()), "实验接口");
    EXPECT_EQ(plain(top[1]->text()), "实验设备");
    // The view options follow the program's own menus: the whole wiring off, names on, the board fitted to the
    // window; nothing stored.
    EXPECT_EQ(plain(top[2]->text()), "视图");
    QStringList view;
    for (QAction* a : top[2]->menu()->actions())
        view << plain(a->text()) + (a->isChecked() ? "+" : "") + a->shortcut().toString();
    EXPECT_EQ(view, QStringList({"显示全部连线F5", "显示端子名称+", "", "查找端子…Ctrl+F", "", "放大Ctrl++",
                                 "缩小Ctrl+-", "适合窗口+Ctrl+0", "原始大小Ctrl+1"}));
    EXPECT_EQ(plain(top[3]->text()), "工具");
    QStringList tools;
    for (QAction* a : top[3]->menu()->actions())
        tools << plain(a->text()) + a->shortcut().toString();
    EXPECT_TRUE(tools.contains("打印实验指导书…Ctrl+P")) << tools.join("|").toStdString();
    EXPECT_TRUE(tools.contains("导出实验指导书 (PDF)…")) << tools.join("|").toStdString();
    EXPECT_TRUE(tools.contains("实验编辑器")) << tools.join("|").toStdString();
    // The run comes last; with no board docked it cannot start, and says why.
    EXPECT_EQ(plain(top[4]->text()), "运行");
    QStringList run;
    for (QAction* a : top[4]->menu()->actions())
        run << plain(a->text()) + a->shortcut().toString() + (a->isEnabled() ? "" : "-");
    EXPECT_EQ(run.mid(0, 5), QStringList({"运行F9-", "暂停/继续F6-", "单步F7-", "停止Shift+F9-", "复位-"}));
    EXPECT_EQ(top[4]->menu()->actions().first()->statusTip(), "请先选择产品型号");
    EXPECT_EQ(mainform->referenceItems().size(), 3 + 11 + 30);
    const std::pair<const char*, const char*> samples[] = {
        {"N_cz11", "用户实验通信接口"}, {"n_pwm", "PWM"},       {"n_ic89s52", "AT89s52"},
        {"N_IC0832", "DA0832"},         {"n_IC1420", "ISD1420语音录放"}, {"N_IC24C02", "24C02"},
        {"QK310X1", "QK310X+"}};
    for (const auto& [name, caption] : samples) {
        QAction* a = mainform->menuItem(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(plain(a->text()), QString::fromUtf8(caption));
    }
    EXPECT_TRUE(mainform->menuItem("N8")->isSeparator());
    // Access keys are unique within each menu.
    for (QMenu* menu : mainform->findChildren<QMenu*>()) {
        QStringList keys;
        for (QAction* a : menu->actions()) {
            const qsizetype amp = a->text().indexOf('&');
            if (amp >= 0) {
                const QString key = a->text().mid(amp + 1, 1).toUpper();
                EXPECT_FALSE(keys.contains(key)) << menu->objectName().toStdString();
                keys << key;
            }
        }
    }
    // The model menu spells each board as labedit, handouts and labtool do.
    const std::pair<const char*, const char*> models[] = {
        {"QK740X", "QK740X"}, {"QK620X", "QK620X"}, {"QK310X1", "QK310X"}, {"QK930X", "QK930X"}};
    for (const auto& [name, board] : models) {
        EXPECT_TRUE(mainform->menuItem(name)->isCheckable());
        EXPECT_FALSE(mainform->menuItem(name)->isChecked());
        EXPECT_EQ(plain(mainform->menuItem(name)->text()), boards::boardDisplayName(board));
    }
}

TEST_F(MainFormFixture, ChoosingAModelDocksItsBoardAndNamesIt) {
    writeCatalogue();
    ExperimentRecord.ExperimentName.assign("old");
    StepIndex = 3;
    LastStep = 4;
    mainform->menuItem("QK740X")->trigger();
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导  当前机型:QK740X");
    EXPECT_TRUE(mainform->menuItem("QK740X")->isChecked());
    EXPECT_EQ(mainform->DockedBoard, FRM_QK740X);
    EXPECT_EQ(FRM_QK740X->parentWidget(), mainform->pnl_dock);
    EXPECT_TRUE(FRM_QK740X->isVisibleTo(mainform));
    EXPECT_TRUE(ExperimentRecord.ExperimentName.isEmpty());
    EXPECT_EQ(StepIndex, -1);
    EXPECT_EQ(LastStep, -1);
    EXPECT_EQ(FRM_QK740X->cbExam()->count(), 1);
    EXPECT_EQ(FRM_QK740X->cbExam()->currentIndex(), -1);
    // The docked board keeps its own look: nothing of the dock panel's large silver caption font.
    EXPECT_FALSE(FRM_QK740X->cbExam()->font().italic());
    EXPECT_LT(FRM_QK740X->Label1()->font().pixelSize(), 20);
    EXPECT_NE(FRM_QK740X->Label1()->palette().color(QPalette::WindowText), QColor(192, 192, 192));

    mainform->menuItem("QK620X")->trigger();
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导  当前机型:QK620X");
    EXPECT_FALSE(mainform->menuItem("QK740X")->isChecked());
    EXPECT_EQ(mainform->DockedBoard, Frm_620x);
    EXPECT_FALSE(FRM_QK740X->isVisibleTo(mainform));
    EXPECT_TRUE(Frm_620x->isVisibleTo(mainform));
    EXPECT_EQ(Frm_620x->cbExam()->itemText(0), "并行口");

    mainform->menuItem("QK310X1")->trigger();
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导  当前机型:QK310X+");
    mainform->menuItem("QK930X")->trigger();
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导  当前机型:QK930X");
    EXPECT_EQ(mainform->DockedBoard, frm8086);

    // The docked model again: its list is refilled with nothing selected.
    frm8086->cbExam()->setCurrentIndex(0);
    mainform->menuItem("QK930X")->trigger();
    EXPECT_EQ(mainform->DockedBoard, frm8086);
    EXPECT_TRUE(frm8086->isVisibleTo(mainform));
    EXPECT_EQ(frm8086->cbExam()->currentIndex(), -1);
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(MainFormFixture, ACatalogueErrorStopsTheChoiceBeforeDocking) {
    writeCatalogue();
    mainform->menuItem("QK740X")->trigger();
    ASSERT_EQ(mainform->DockedBoard, FRM_QK740X);
    // The catalogue goes away: the next choice checks its item and names its model, then stops.
    mainform->ADOConnection1.close();
    QFile::remove(dir.path() + "/QK740X.mdb");
    mainform->menuItem("QK620X")->trigger();
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_TRUE(errors.texts()[0].startsWith("Could not find file")) << errors.texts()[0].toStdString();
    EXPECT_FALSE(QFile::exists(dir.path() + "/QK740X.mdb"));
    EXPECT_TRUE(mainform->menuItem("QK620X")->isChecked());
    EXPECT_EQ(mainform->windowTitle(), "实验演示向导  当前机型:QK620X");
    EXPECT_EQ(mainform->DockedBoard, FRM_QK740X);
    EXPECT_TRUE(FRM_QK740X->isVisibleTo(mainform));
    EXPECT_FALSE(Frm_620x->isVisibleTo(mainform));
}

TEST_F(MainFormFixture, TheWebAddressLabelNeverReportsAnError) {
    mainform->Label1Click();
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(MainFormFixture, TheReferenceMenuShowsItsLeadingSeparator) {
    // Qt drops a separator that opens a menu; the one at the top of "实验接口" is laid out and drawn.
    QMenu* menu = mainform->findChild<QMenu*>("N1");
    ASSERT_NE(menu, nullptr);
    QAction* separator = mainform->menuItem("N8");
    ASSERT_EQ(menu->actions().value(0), separator);
    const QRect line = menu->actionGeometry(separator);
    EXPECT_LT(line.bottom(), menu->actionGeometry(mainform->menuItem("Conn_Defined")).top());
    // A line is drawn inside its room, below the menu's frame, on the menu's background.
    const QImage shown = menu->grab().toImage();
    const int x = line.center().x();
    const QRgb background = shown.pixel(x, line.top() + 1);
    bool drawn = false;
    for (int y = line.top() + 2; y <= line.bottom(); ++y)
        drawn |= shown.pixel(x, y) != background;
    EXPECT_TRUE(drawn) << "separator room " << line.top() << ".." << line.bottom();
}

TEST_F(MainFormFixture, AModelChoiceErasesTheDrawnConnection) {
    writeCatalogue();
    mainform->menuItem("QK740X")->trigger();
    const LinkConnection drawn{QPoint(10, 10), QPoint(60, 40)};
    FRM_QK740X->PaintBox_link().showConnection(drawn);
    // The same model again: the cursor is back before the first step, and so is the board.
    mainform->menuItem("QK740X")->trigger();
    EXPECT_EQ(StepIndex, -1);
    EXPECT_FALSE(FRM_QK740X->boardArea()->connection().has_value());
    // Another model: the board left behind and the one chosen show nothing either.
    FRM_QK740X->PaintBox_link().showConnection(drawn);
    Frm_620x->PaintBox_link().showConnection(drawn);
    mainform->menuItem("QK620X")->trigger();
    EXPECT_FALSE(FRM_QK740X->boardArea()->connection().has_value());
    EXPECT_FALSE(Frm_620x->boardArea()->connection().has_value());
    // A choice that fails at the catalogue still resets the cursor, so the board that stays is cleared.
    Frm_620x->PaintBox_link().showConnection(drawn);
    mainform->ADOConnection1.close();
    QFile::remove(dir.path() + "/QK740X.mdb");
    mainform->menuItem("QK930X")->trigger();
    EXPECT_EQ(errors.texts().size(), 1);
    EXPECT_EQ(mainform->DockedBoard, Frm_620x);
    EXPECT_FALSE(Frm_620x->boardArea()->connection().has_value());
}

TEST_F(MainFormFixture, TheDuplicateNameBoxBelongsToTheMainWindow) {
    cataloguesource::writeCatalogue(dir.path() + "/QK740X.mdb", {row("流水灯", 1, "P10>L1"), row("流水灯", 1, "P11>L2")});
    mainform->menuItem("QK740X")->trigger();
    ASSERT_EQ(FRM_QK740X->cbExam()->count(), 2);
    // Another window of the program is the active one when the box comes up.
    QWidget other;
    other.setWindowTitle("other");
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_EQ(QApplication::activeWindow(), &other);
    QString text;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->windowTitle() + ":" + box->text();
            owner = box->parentWidget();
            box->close();
        }
    });
    ExperimentRecord.CpuType = 1;
    LoadExperiment("流水灯", 1);
    EXPECT_EQ(text, "提示:实验名称有重复");
    EXPECT_EQ(owner, mainform);
}


// The handout items follow the docked board's experiment, and the export writes the PDF the chooser names
// (with the experiment's name proposed).
TEST_F(MainFormFixture, TheHandoutItemsFollowTheCurrentExperiment) {
    writeCatalogue();
    app::ToolsMenu* tools = app::ToolsMenu::of(*mainform);
    ASSERT_NE(tools, nullptr);
    EXPECT_FALSE(tools->printHandout()->isEnabled());
    EXPECT_FALSE(tools->exportHandout()->isEnabled());
    mainform->menuItem("QK740X")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(tools->exportHandout()->isEnabled()); // a board, but no experiment yet

    FRM_QK740X->cbExam()->setCurrentIndex(0);
    emit FRM_QK740X->cbExam()->activated(0); // as the user's choice does
    QApplication::processEvents();
    EXPECT_TRUE(tools->printHandout()->isEnabled());
    ASSERT_TRUE(tools->exportHandout()->isEnabled());

    QString proposed;
    const QString out = dir.path() + "/handout.pdf";
    app::ToolsMenu::setSaveChooser([&](QWidget*, const QString& p) {
        proposed = p;
        return out;
    });
    tools->exportHandout()->trigger();
    app::ToolsMenu::setSaveChooser(nullptr);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    EXPECT_EQ(QFileInfo(proposed).fileName(), "流水灯.pdf");
    QFile pdf(out);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");

    // The print item opens Qt's preview with the handout's pages in it.
    int previewPages = -1;
    QTimer::singleShot(0, [&] {
        if (QDialog* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            if (QPrintPreviewWidget* w = preview->findChild<QPrintPreviewWidget*>())
                previewPages = w->pageCount();
            preview->reject();
        }
    });
    tools->printHandout()->trigger();
    EXPECT_GE(previewPages, 2);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();

    // Another model: no experiment is current on it.
    mainform->menuItem("QK620X")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(tools->printHandout()->isEnabled());
    EXPECT_FALSE(tools->exportHandout()->isEnabled());
}
