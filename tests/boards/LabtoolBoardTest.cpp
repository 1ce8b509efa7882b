// labtool board: the components of a board as other tools read them.
#include "boards/GuideScene.h"
#include "tests/boards/BoardsTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QJsonObject findComponent(const QJsonArray& list, const QString& name) {
    for (const QJsonValue& v : list)
        if (v.toObject().value("name").toString() == name)
            return v.toObject();
    return {};
}
} // namespace

TEST(LabtoolBoard, PrintsTheComponentsAfterCreationInStoredOrder) {
    QByteArray out, err;
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "QK740X", "--json"}, &out, &err), 0) << err.toStdString();
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &pe);
    ASSERT_EQ(pe.error, QJsonParseError::NoError) << pe.errorString().toStdString();
    EXPECT_EQ(doc.object().value("board").toString(), "QK740X");
    const QJsonArray list = doc.object().value("components").toArray();
    ASSERT_EQ(list.size(), 1 + 46 + 279 + 7 + 27);
    const QJsonObject link = list.first().toObject();
    EXPECT_EQ(link.value("kind").toString(), "linklayer");
    EXPECT_EQ(link.value("width").toInt(), 801);
    EXPECT_EQ(link.value("height").toInt(), 506);
    EXPECT_TRUE(link.value("hint").isNull());

    const QJsonObject gnd = findComponent(list, "SHP_GND");
    EXPECT_EQ(gnd.value("kind").toString(), "terminal");
    EXPECT_EQ(gnd.value("class").toString(), "TShape");
    EXPECT_EQ(gnd.value("brush").toString(), "#000000");
    EXPECT_EQ(gnd.value("left").toInt(), 589);
    EXPECT_EQ(gnd.value("width").toInt(), 10);
    EXPECT_TRUE(gnd.value("caption").isNull());
    EXPECT_TRUE(gnd.value("blockKey").isNull());
    EXPECT_TRUE(gnd.value("frame").isNull());
    EXPECT_EQ(findComponent(list, "SHP_JK0").value("brush").toString(), "#ffff00");

    const QJsonObject b8237 = findComponent(list, "sb_8237");
    EXPECT_EQ(b8237.value("class").toString(), "TSpeedButton");
    EXPECT_EQ(b8237.value("caption").toString(), "  8237");
    EXPECT_EQ(b8237.value("blockKey").toString(), "8237");
    EXPECT_TRUE(b8237.value("brush").isNull());
    EXPECT_TRUE(findComponent(list, "sb_pci32").value("blockKey").isNull());
    EXPECT_EQ(findComponent(list, "sb_ic").value("hint").toString(), "IC");
    EXPECT_EQ(findComponent(list, "SpeedButton39").value("caption").toString(), "");
    EXPECT_EQ(findComponent(list, "Label6").value("caption").toString(), "KB6");

    // Widgets: frame widgets in frame coordinates, clicks wired by the board.
    const QJsonObject led1 = findComponent(list, "led1");
    EXPECT_EQ(led1.value("kind").toString(), "widget");
    EXPECT_EQ(led1.value("class").toString(), "TiSevenSegmentCharacter");
    EXPECT_EQ(led1.value("left").toInt(), 672);
    EXPECT_TRUE(led1.value("frame").toBool());
    EXPECT_TRUE(led1.value("blockKey").isNull());
    EXPECT_TRUE(led1.value("caption").isNull());
    EXPECT_EQ(findComponent(list, "lc_lcd").value("blockKey").toString(), "lcd");
    EXPECT_EQ(findComponent(list, "pp_key").value("blockKey").toString(), "key");
    EXPECT_FALSE(findComponent(list, "hl").value("frame").toBool());
    EXPECT_EQ(findComponent(list, "RB_RST").value("caption").toString(), "RST");
    EXPECT_EQ(findComponent(list, "KB6").value("width").toInt(), 25);
}

TEST(LabtoolBoard, TerminalsWithHintBlockAndKind) {
    QByteArray out, err;
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "QK740X", "--terminals"}, &out, &err), 0) << err.toStdString();
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 279);
    int hinted = 0;
    for (const QString& line : lines) {
        const QStringList f = line.split('\t');
        ASSERT_EQ(f.size(), 4) << line.toStdString();
        hinted += f[0] != f[1];
        EXPECT_TRUE(f[3] == "circle" || f[3] == "hbar" || f[3] == "vbar") << line.toStdString();
    }
    EXPECT_EQ(hinted, 25);
    // The block is the smallest one holding the terminal; 8237's caption is stored as "  8237".
    EXPECT_TRUE(lines.contains("FF90H\tFF90\t译码及地址总线\tcircle"));
    EXPECT_TRUE(lines.contains("00H\tOOH\tPCI32位接口区\tcircle"));
    EXPECT_TRUE(lines.contains("8251RXD\tRXD\t8251\tcircle"));
    EXPECT_TRUE(lines.contains("GND\tGND\t8237\tcircle"));
    EXPECT_TRUE(lines.contains("JK0\tJK0\t32位开关输入\thbar"));
    EXPECT_TRUE(lines.contains("JS\tJS\t\tvbar")); // its block has no caption
    // Stored lower-case names are given as a wiring text would write them.
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "QK620X", "--terminals"}, &out, &err), 0);
    EXPECT_TRUE(out.contains("\nIOR\tIOR\t")) << out.toStdString();
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK620X", "--terminals", "--json"}, &out, &err), 2);
}

TEST(LabtoolBoard, UnknownBoardsAndOptionsAreInputErrors) {
    QByteArray out, err;
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK999", "--json"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("QK999"));
    EXPECT_EQ(testsupport::runProgram("labtool", {"board"}, &out, &err), 2);
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK620X", "--xml"}, &out, &err), 2);
    // The board name may be given in any letter case.
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "qk930x", "--json"}, &out, &err), 0);
    EXPECT_EQ(QJsonDocument::fromJson(out).object().value("board").toString(), "QK930X");
}

TEST(LabtoolBoard, SavesAPictureWithAStepDrawn) {
    QTemporaryDir dir;
    const QString png = dir.path() + "/b.png";
    QByteArray out, err;
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "QK620X", "--png", png, "--step", "k1>K8"}, &out, &err), 0)
        << err.toStdString();
    const QImage img(png);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(799, 604));
    // The blue line between K1 (40,450) and K8 (140,450) of the board area, which begins at 1,98 of the form.
    EXPECT_EQ(img.pixelColor(1 + 90, 98 + 455), QColor(0, 0, 255));
    // A step the board cannot draw is a finding, not an input error.
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK620X", "--png", png, "--step", "P26>GND"}, &out, &err), 1);
    EXPECT_TRUE(err.contains("P26>GND"));
}

// The guided pictures: a labelled step, a step the board lacks a name of, the whole wiring, a larger scale.
TEST(LabtoolBoard, GuidedPicturesOfAWiring) {
    QTemporaryDir dir;
    const QString png = dir.path() + "/g.png", plainPng = dir.path() + "/p.png";
    const QString wiring = "K1>PB0,K2>PB1,K3>PB2,K4>PB3,X9>PB1,K6>PB5";
    auto form = boardtest::makeForm("QK740X");
    auto at = [&](const char* terminal, double scale = 1) {
        const QRect r = form->componentRect(form->indexOf(QString("SHP_") + terminal));
        return form->boardArea()->mapTo(form.get(), QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2)) * scale;
    };
    auto red = [](const QImage& img, QPoint c) {
        int n = 0;
        for (int y = c.y() - 5; y <= c.y() + 5; ++y)
            for (int x = c.x() - 5; x <= c.x() + 5; ++x)
                n += img.valid(x, y) && QColor(img.pixel(x, y)) == QColor(255, 0, 0);
        return n;
    };
    QByteArray out, err;
    const QStringList step2 = {"board", "QK740X", "--wiring", wiring, "--step", "2"};
    ASSERT_EQ(testsupport::runProgram("labtool", step2 + QStringList{"--png", png}, &out, &err), 0) << err.toStdString();
    ASSERT_EQ(testsupport::runProgram("labtool", step2 + QStringList{"--png", plainPng, "--plain"}, &out, &err), 0);
    const QImage named(png), plain(plainPng);
    for (const char* t : {"K3", "PB2"}) {
        const QPoint c = at(t);
        EXPECT_GE(red(named, c), 12) << t;
        EXPECT_EQ(named.copy(c.x() - 5, c.y() - 5, 11, 11), plain.copy(c.x() - 5, c.y() - 5, 11, 11)) << t;
        EXPECT_NE(named.copy(c.x() - 50, c.y() - 30, 101, 61), plain.copy(c.x() - 50, c.y() - 30, 101, 61))
            << t << ": no name beside it";
    }
    // --plain is the program's own drawing of the step.
    ASSERT_EQ(testsupport::runProgram("labtool", {"board", "QK740X", "--png", png, "--step", "K3>PB2"}, &out, &err), 0);
    EXPECT_EQ(QImage(png), plain);

    // X9 is not on the board: exit 1, the plate's reason on stderr, the step before stays drawn.
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK740X", "--png", png, "--wiring", wiring, "--step", "4"},
                                      &out, &err),
              1);
    EXPECT_TRUE(QString::fromUtf8(err).contains("第5步/共6步  X9 → PB1（本板没有端子 X9）")) << err.toStdString();
    EXPECT_GE(red(QImage(png), at("K4")), 12);

    // The whole wiring, twice as large: each connection's ends in its colour.
    EXPECT_EQ(testsupport::runProgram("labtool", {"board", "QK740X", "--png", png, "--wiring", wiring, "--all", "--scale", "2"},
                                      &out, &err),
              1); // X9 again
    const QImage all(png);
    EXPECT_EQ(all.size(), form->size() * 2);
    EXPECT_EQ(QColor(all.pixel(at("K1", 2))), boards::wiringColour(0));
    EXPECT_EQ(QColor(all.pixel(at("PB5", 2))), boards::wiringColour(5));

    // Usage errors.
    for (const QStringList& bad : QList<QStringList>{{"--wiring", wiring, "--step", "6"},
                                                     {"--wiring", wiring},
                                                     {"--all"},
                                                     {"--wiring", wiring, "--all", "--scale", "9"}})
        EXPECT_EQ(testsupport::runProgram("labtool", QStringList{"board", "QK740X", "--png", png} + bad, &out, &err), 2)
            << bad.join(' ').toStdString();
}
