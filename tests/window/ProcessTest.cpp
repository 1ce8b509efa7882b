// The real labguide executable, started in a working folder of its own and driven from outside with
// xdotool as a user's keyboard and mouse drive it. A twin of the program built from the same forms in this
// process tells where the user has to click and where the connection must appear.
#include "boards/BoardForm.h"
#include "engine/linksheet.h"
#include "tests/window/ProgramFixture.h"
#include "tests/window/WindowSupport.h"
#include "tests/window/XWindows.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace window;

namespace {

QString accessKey(const QAction* action) {
    const qsizetype amp = action->text().indexOf('&');
    return amp >= 0 ? action->text().mid(amp + 1, 1).toLower() : QString();
}

// One xdotool command; true when it succeeded.
bool xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QImage grab(xwin::Window w) {
    settle(300);
    return QGuiApplication::primaryScreen()->grabWindow(w).toImage().convertToFormat(QImage::Format_RGB32);
}

int countColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

class LabguideProcess : public ProgramFixture {};

} // namespace

TEST_F(LabguideProcess, ChooseModelsStepAndClose) {
    // The twin: where the first step of the first 51 experiment on QK740X lies in the main window.
    struct Plan {
        QString keys[3];
        QString caption;
    };
    QList<Plan> plans;
    for (const Model& m : models())
        plans.append({{accessKey(mainform->menuItem("N2")), accessKey(mainform->menuItem("produceType")),
                       accessKey(mainform->menuItem(m.item))},
                      QString("实验演示向导  当前机型:") + m.caption});
    BoardForm* twin = choose(models()[0]);
    ASSERT_NE(twin, nullptr);
    ASSERT_GT(twin->cbExam()->count(), 0) << "no 51 experiment in the catalogue";
    const QPoint comboAt = twin->cbExam()->mapTo(mainform, twin->cbExam()->rect().center());
    const QPoint nextAt = twin->BitBtn_next()->mapTo(mainform, twin->BitBtn_next()->rect().center());
    const QPoint requirementAt = twin->BitBtn_yaoqiu()->mapTo(mainform, twin->BitBtn_yaoqiu()->rect().center());
    const QString requirementTitle = "实验要求: " + twin->cbExam()->itemText(0);
    QTest::keyClick(twin->cbExam(), Qt::Key_Down);
    QTest::mouseClick(twin->BitBtn_next(), Qt::LeftButton);
    ASSERT_TRUE(twin->boardArea()->connection().has_value()) << "the first step draws nothing";
    const LinkConnection link = *twin->boardArea()->connection();
    const QPoint fromAt = twin->boardArea()->mapTo(mainform, link.from);
    const QPoint toAt = twin->boardArea()->mapTo(mainform, link.to);
    const bool fromVisible = !twin->boardArea()->childAt(link.from);
    const bool toVisible = !twin->boardArea()->childAt(link.to);
    mainform->hide(); // out of the real program's way
    settle(50);

    // The real program in its own working folder.
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(testsupport::workDir() + "/QK740X.mdb", folder.filePath("QK740X.mdb")));
    QProcess program;
    program.setWorkingDirectory(folder.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(testsupport::programDir() + "/labguide", {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const xwin::Window w = xwin::findWindow(program.processId(), "实验演示向导", 20000);
    ASSERT_NE(w, 0u) << "labguide showed no window";
    EXPECT_EQ(xwin::title(w).toStdString(), "实验演示向导");
    const QImage start = grab(w);
    saveShot(start, "process-start");
    EXPECT_EQ(countColour(start, qRgb(255, 255, 0)), 0) << "a board is shown before any model was chosen";

    ASSERT_TRUE(xdotool({"windowfocus", "--sync", QString::number(w)}));
    const qint64 pid = program.processId();
    // Alt and the menu's key, the submenu's key, the model's key: each menu shows before the next key goes.
    auto chooseByKeys = [&](const Plan& plan) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            xdotool({"key", "--clearmodifiers", "alt+" + plan.keys[0]});
            if (xwin::waitForViewableWindows(pid, 2, 3000)) {
                xdotool({"key", plan.keys[1]});
                if (xwin::waitForViewableWindows(pid, 3, 3000)) {
                    xdotool({"key", plan.keys[2]});
                    if (xwin::waitForViewableWindows(pid, 1, 3000) &&
                        xwin::waitForTitle(w, plan.caption, 5000).startsWith(plan.caption))
                        return true;
                }
            }
            // A key lost on a busy machine: close what is open and type again.
            xdotool({"key", "Escape", "Escape", "Escape"});
            xwin::waitForViewableWindows(pid, 1, 3000);
        }
        return false;
    };
    for (int i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        SCOPED_TRACE(plan.caption.toStdString());
        ASSERT_TRUE(chooseByKeys(plan)) << "the model menu did not answer its keys";
        // The title bar shows exactly the caption, with nothing added to it.
        EXPECT_EQ(xwin::waitForTitle(w, plan.caption, 5000).toStdString(), plan.caption.toStdString());
        // The title changes before the board is docked and painted; a slow build takes a moment for that.
        QImage docked = grab(w);
        for (int wait = 0; wait < 50 && countColour(docked, qRgb(255, 255, 0)) <= 200; ++wait) {
            QTest::qWait(100);
            docked = grab(w);
        }
        saveShot(docked, QString("process-%1").arg(models()[i].board));
        EXPECT_GT(countColour(docked, qRgb(255, 255, 0)), 200) << "no board with its yellow terminals on the screen";
    }

    // Back to QK740X; the first experiment, first step, with the mouse and the keyboard.
    ASSERT_TRUE(chooseByKeys(plans[0]));
    ASSERT_TRUE(xdotool({"mousemove", "--window", QString::number(w), QString::number(comboAt.x()),
                         QString::number(comboAt.y()), "click", "1"}));
    QTest::qWait(400);
    // The click opened the list under the mouse; Esc closes it with the list focused, the arrow key then
    // picks its first experiment, as in the twin.
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    QTest::qWait(200);
    ASSERT_TRUE(xdotool({"key", "Down"}));
    QTest::qWait(400);
    const QImage beforeStep = grab(w);
    ASSERT_TRUE(xdotool({"mousemove", "--window", QString::number(w), QString::number(nextAt.x()),
                         QString::number(nextAt.y()), "click", "1"}));
    const QImage step = grab(w);
    saveShot(step, "process-QK740X-step1");
    if (fromVisible) {
        EXPECT_LT(redPixelsAround(beforeStep, fromAt), 12);
        EXPECT_GE(redPixelsAround(step, fromAt), 12) << "no red circle at " << fromAt.x() << "," << fromAt.y();
    }
    if (toVisible) {
        EXPECT_GE(redPixelsAround(step, toAt), 12) << "no red circle at " << toAt.x() << "," << toAt.y();
    }
    const QPoint mid = (fromAt + toAt) / 2;
    if ((toAt - fromAt).manhattanLength() > 16) {
        EXPECT_TRUE(blueNear(step, mid)) << "no blue line at " << mid.x() << "," << mid.y();
    }

    // The requirement viewer opens over the board with its title, and its close box closes it.
    ASSERT_TRUE(xdotool({"mousemove", "--window", QString::number(w), QString::number(requirementAt.x()),
                         QString::number(requirementAt.y()), "click", "1"}));
    const xwin::Window viewer = xwin::otherWindow(pid, w, 5000);
    ASSERT_NE(viewer, 0u) << "实验要求 opened no window";
    EXPECT_EQ(xwin::title(viewer).toStdString(), requirementTitle.toStdString());
    saveShot(grab(viewer), "process-QK740X-yaoqiu");
    ASSERT_TRUE(xwin::requestClose(viewer));
    EXPECT_TRUE(xwin::waitForViewableWindows(pid, 1, 5000)) << "the viewer did not close";

    // The close box ends the program normally.
    ASSERT_TRUE(xwin::requestClose(w));
    ASSERT_TRUE(program.waitForFinished(10000)) << "labguide did not end after its window was closed";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(folder.filePath("Video.avi")));
}
