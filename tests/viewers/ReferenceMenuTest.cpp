// Every reference item of the menu "实验接口", captioned with the hot-key marking the menu adds: a present
// picture opens under the listed caption, a missing one does nothing, a broken one reaches the error report.
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"
#include "tests/viewers/ModalCloser.h"

#include "viewers/PictureBox.h"
#include "viewers/ReferenceMenu.h"
#include "viewers/U_sch.h"

#include "base/ProgramFolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Item {
    const char* name;
    const char* caption;
    const char* file;
};

// The three interface items, the eleven common circuits and the thirty chips, with the pictures they open.
const Item kItems[] = {
    {"N_cz11", "用户实验通信接口", "cz11.jpg"}, {"n_cz4", "打印接口", "cz4.jpg"}, {"N_cz7", "系统扩展口", "cz7.jpg"},
    {"N_led", "发光管指示电路", "led.jpg"},   {"n_kg", "逻辑电平开关", "kg.jpg"},   {"N_PULSE", "单脉冲", "PULSE.jpg"},
    {"n_CLKdiv", "分频", "CLKdiv.jpg"},       {"N_JK485", "485接口", "JK485.jpg"}, {"n_syscomm", "系统通信接口", "syscomm.jpg"},
    {"N_shuma", "数码管显示", "shuma.jpg"},   {"n_key", "键盘接口", "key.jpg"},     {"n_CPU51", "目标CPU控制电路", "CPU51.jpg"},
    {"n_memory", "存储器控制电路", "memory.jpg"}, {"n_pwm", "PWM", "pwm.jpg"},
    {"n_ic89s52", "AT89s52", "ic89s52.jpg"},  {"N_IC8255", "8255", "IC8255.jpg"},   {"N_IC8253", "8253", "IC8253.jpg"},
    {"N_IC8251", "8251", "IC8251.jpg"},       {"N_IC273", "LS273", "IC273.jpg"},    {"N_IC373", "LS373", "IC373.jpg"},
    {"N_IC244", "LS244", "IC244.jpg"},        {"N_IC245", "LS245", "IC245.jpg"},    {"N_IC8279", "8279", "IC8279.jpg"},
    {"N_IC00", "LS00", "IC00.jpg"},           {"N_IC62256", "62256", "IC62256.jpg"}, {"N_IC8250", "8250", "IC8250.jpg"},
    {"N_IC04", "LS04", "IC04.jpg"},           {"N_IC07", "LS07", "IC07.jpg"},       {"N_IC232", "MAX232", "IC232.jpg"},
    {"N_IC0809", "ADC0809", "IC0809.jpg"},    {"N_IC0832", "DA0832", "IC0832.jpg"}, {"n_IC324", "LM324", "IC324.jpg"},
    {"N_IC393", "SN393", "IC393.jpg"},        {"N_IC75451", "SN75451", "IC75451.jpg"}, {"N_IC485", "MAX485", "IC485.jpg"},
    {"n_IC1420", "ISD1420语音录放", "IC1420.jpg"}, {"N_IC8088", "8088", "IC8088.jpg"}, {"n_IC8259", "8259", "IC8259.jpg"},
    {"N_IC8155", "8155", "IC8155.jpg"},       {"N_IC27512", "27512", "IC27512.jpg"}, {"N_IC138", "138", "IC138.jpg"},
    {"N_IC8237", "8237", "IC8237.jpg"},       {"N_IC4066", "4066", "IC4066.jpg"},   {"N_IC24C02", "24C02", "IC24C02.jpg"},
};

// The menu's marking: "(&X)" appended to captions with double-byte characters, else "&" before a letter.
QString marked(const QString& caption, int i) {
    for (QChar c : caption)
        if (c.unicode() > 0x7F)
            return caption + "(&" + QChar('A' + i % 26) + ")";
    const int at = i % caption.size();
    return caption.left(at) + "&" + caption.mid(at);
}

class ReferenceMenu : public ::testing::Test {
protected:
    void SetUp() override {
        programfolder::setOverride(folder.path());
        QDir(folder.path()).mkpath("pic");
        mainWindow = std::make_unique<QWidget>();
        viewer = new Tfrmsch(mainWindow.get());
        for (int i = 0; i < int(std::size(kItems)); ++i) {
            auto* a = new QAction(marked(QString::fromUtf8(kItems[i].caption), i), mainWindow.get());
            a->setObjectName(kItems[i].name);
            actions.push_back(a);
        }
    }
    void TearDown() override {
        mainWindow.reset();
        programfolder::setOverride(QString());
    }

    QTemporaryDir folder;
    std::unique_ptr<QWidget> mainWindow;
    Tfrmsch* viewer = nullptr;
    std::vector<QAction*> actions;
};

} // namespace

TEST_F(ReferenceMenu, ThereAreFortyFourItems) { EXPECT_EQ(std::size(kItems), 3u + 11u + 30u); }

TEST_F(ReferenceMenu, EveryItemOpensItsPictureUnderItsListedCaption) {
    // Each item's picture has its own size, so the test sees which file was opened.
    for (int i = 0; i < int(std::size(kItems)); ++i)
        ASSERT_TRUE(testsupport::writeFile(folder.path() + "/pic/" + kItems[i].file, samples::jpeg(20 + i, 10 + i)));
    testsupport::ErrorRecorder errors;
    QString title;
    QSize size;
    ModalCloser closer([&](QWidget* w) {
        title = w->windowTitle();
        size = viewer->Image1->picture().size();
    });
    for (int i = 0; i < int(std::size(kItems)); ++i) {
        const int before = closer.openings();
        n_ic89s52Click(actions[i]);
        EXPECT_EQ(closer.openings(), before + 1) << kItems[i].name;
        EXPECT_EQ(title, QString::fromUtf8(kItems[i].caption)) << kItems[i].name << " " << actions[i]->text().toStdString();
        EXPECT_EQ(size, QSize(20 + i, 10 + i)) << kItems[i].name;
    }
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(ReferenceMenu, MissingPicturesDoNothing) {
    testsupport::ErrorRecorder errors;
    ModalCloser closer;
    for (QAction* a : actions)
        n_ic89s52Click(a);
    n_ic89s52Click(nullptr);
    EXPECT_EQ(closer.openings(), 0);
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(ReferenceMenu, FileNamesKeepTheItemsLetterCaseButAreFoundWithoutIt) {
    // «IC8255.jpg» asked for, «ic8255.JPG» on disk.
    ASSERT_TRUE(testsupport::writeFile(folder.path() + "/pic/ic8255.JPG", samples::jpeg(9, 9)));
    ModalCloser closer;
    n_ic89s52Click(actions[15]);
    EXPECT_EQ(closer.openings(), 1);
}

TEST_F(ReferenceMenu, BrokenPictureReachesTheDefaultErrorReport) {
    ASSERT_TRUE(testsupport::writeFile(folder.path() + "/pic/ic89s52.jpg", QByteArray("not a picture at all")));
    testsupport::ErrorRecorder errors;
    ModalCloser closer;
    n_ic89s52Click(actions[14]);
    EXPECT_EQ(closer.openings(), 0);
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_TRUE(errors.texts()[0].startsWith("JPEG error #")) << errors.texts()[0].toStdString();
}
