// The text viewer: its window, ShowText, the modal opening and where it appears.
#include "tests/viewers/ModalCloser.h"

#include "viewers/U_Edit.h"

#include "base/Gbk.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

namespace {

class TextViewer : public ::testing::Test {
protected:
    void SetUp() override {
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(40, 30, 805, 644);
        mainWindow->show();
        viewer = new TFrmEdit(mainWindow.get());
    }
    void TearDown() override { mainWindow.reset(); } // owns and deletes the viewer

    struct Seen {
        QString title, text;
        bool modal = false, visible = false;
        QRect geometry;
    };
    Seen show(const QString& title, const QString& text) {
        Seen seen;
        ModalCloser closer([&](QWidget* w) {
            seen.modal = w == viewer && w->isModal();
            seen.visible = w->isVisible();
            seen.title = w->windowTitle();
            seen.text = viewer->Memo1->toPlainText();
            seen.geometry = w->geometry();
        });
        ShowText(title, text);
        EXPECT_EQ(closer.openings(), 1);
        EXPECT_FALSE(viewer->isVisible()) << "closing hides the window";
        return seen;
    }

    std::unique_ptr<QWidget> mainWindow;
    TFrmEdit* viewer = nullptr;
};

} // namespace

TEST_F(TextViewer, WindowAndMemoAsDesigned) {
    EXPECT_EQ(FrmEdit, viewer);
    EXPECT_EQ(viewer->size(), QSize(569, 317));
    EXPECT_EQ(viewer->font().pixelSize(), 11);
    EXPECT_EQ(viewer->font().family(), "MS Sans Serif");
    EXPECT_FALSE(viewer->isVisible());
    QPlainTextEdit* memo = viewer->Memo1;
    EXPECT_EQ(memo->objectName(), "Memo1");
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(memo->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(memo->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_FALSE(memo->textInteractionFlags() & Qt::TextEditable);

    QRect memoGeometry;
    ModalCloser closer([&](QWidget*) {
        memoGeometry = memo->geometry();
        viewer->resize(700, 400);
        QApplication::processEvents();
        EXPECT_EQ(memo->geometry(), QRect(0, 0, 700, 400)) << "the memo follows the window";
    });
    viewer->ShowText("t", "x");
    EXPECT_EQ(memoGeometry, QRect(0, 0, 569, 317));
}

TEST_F(TextViewer, EveryOpeningReplacesTheWholeText) {
    const Seen first = show(QStringLiteral("实验要求: 交通灯"), QStringLiteral("第一行\r\n第二行\n第三行\r第四行"));
    EXPECT_TRUE(first.modal);
    EXPECT_TRUE(first.visible);
    EXPECT_EQ(first.title, QStringLiteral("实验要求: 交通灯"));
    EXPECT_EQ(first.text, QStringLiteral("第一行\n第二行\n第三行\n第四行"));
    EXPECT_EQ(viewer->Memo1->document()->blockCount(), 4);

    const Seen second = show(QStringLiteral("实验说明: 交通灯"), QStringLiteral("说明"));
    EXPECT_EQ(second.title, QStringLiteral("实验说明: 交通灯"));
    EXPECT_EQ(second.text, QStringLiteral("说明"));

    const Seen empty = show(QString(), QString());
    EXPECT_EQ(empty.title, QString());
    EXPECT_EQ(empty.text, QString());

    // Byte texts are GBK, as the catalogue stores them.
    Seen bytes;
    ModalCloser closer([&](QWidget* w) {
        bytes.title = w->windowTitle();
        bytes.text = viewer->Memo1->toPlainText();
    });
    ShowText(gbk::encode(QStringLiteral("实验目的: 甲")), gbk::encode(QStringLiteral("目的")));
    EXPECT_EQ(bytes.title, QStringLiteral("实验目的: 甲"));
    EXPECT_EQ(bytes.text, QStringLiteral("目的"));
}

TEST_F(TextViewer, LongLinesAreNotWrapped) {
    const QString longLine(2000, 'x');
    int blocks = 0, lines = 0, horizontalMax = 0;
    ModalCloser closer([&](QWidget*) {
        blocks = viewer->Memo1->document()->blockCount();
        lines = viewer->Memo1->document()->firstBlock().layout()->lineCount();
        horizontalMax = viewer->Memo1->horizontalScrollBar()->maximum();
    });
    ShowText("wide", longLine);
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(lines, 1);
    EXPECT_GT(horizontalMax, 0);
}

TEST_F(TextViewer, ModalLoopKeepsTimersRunningAndIgnoresEscape) {
    int ticks = 0;
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout, [&] { ++ticks; });
    blink.start(10);
    bool stillOpenAfterEscape = false;
    ModalCloser closer(
        [&](QWidget* w) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(viewer, &escape);
            stillOpenAfterEscape = w->isVisible();
        });
    closer.closeWhen([&] { return ticks >= 5; }); // the blink timer runs on while the viewer is open
    viewer->ShowText("t", "x");
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(stillOpenAfterEscape);
}

TEST_F(TextViewer, FirstOpeningCentredOverTheMainWindowLaterOnesKeepTheirPlace) {
    QRect first;
    {
        ModalCloser closer([&](QWidget* w) {
            first = w->frameGeometry();
            w->move(7, 9); // the user moves and sizes it
            w->resize(300, 200);
        });
        viewer->ShowText("t", "x");
    }
    const QPoint offset = first.center() - mainWindow->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    const Seen again = show("t", "y");
    EXPECT_EQ(again.geometry.size(), QSize(300, 200));
    EXPECT_EQ(viewer->pos(), QPoint(7, 9));
}
