// The source editor driven as the user drives it: keys through QTest, the mouse, the input method, bookmarks,
// loading of GBK and UTF-8 files and of bad files.
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "source/AsmHighlighters.h"
#include "source/SourceText.h"
#include "source/SynEdit.h"
#include "source/SynEditLexer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

using Sci = QsciScintillaBase;

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ed.resize(640, 400);
        ed.show();
        ed.setHighlighter(hl.SynAsmSyn88());
    }

    // Loads UTF-8 text the way a file is loaded (GBK on the way in), with a clean history.
    void load(const QString& text) { ed.loadFromBytes(gbk::encode(text)); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&ed, k, m); }
    long sci(unsigned int msg, unsigned long w = 0, long l = 0) { return ed.SendScintilla(msg, w, l); }
    QString text() { return ed.text(); }
    // Straight from Scintilla: QScintilla's own selectedText() learns of changes only when the view updates.
    QString selection() {
        const long n = sci(Sci::SCI_GETSELTEXT, 0, 0);
        QByteArray buf(static_cast<int>(n) + 1, '\0');
        sci(Sci::SCI_GETSELTEXT, 0, reinterpret_cast<long>(buf.data()));
        return QString::fromUtf8(buf.constData());
    }
    std::pair<int, int> caret() { return {ed.caretLine(), ed.caretColumn()}; }
    // Scintilla colours are 0xBBGGRR.
    static long bgr(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }
    int styleAt(int pos) {
        sci(Sci::SCI_COLOURISE, 0, -1);
        return static_cast<int>(sci(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(pos)));
    }

    TAsmHighlighters hl;
    TSynEdit ed;
};

using Pos = std::pair<int, int>;

} // namespace

TEST_F(EditorTest, ConfiguredLook) {
    EXPECT_EQ(sci(Sci::SCI_GETMARGINWIDTHN, 0), TSynEditLook::GutterWidth);
    for (unsigned long m = 1; m < 5; ++m)
        EXPECT_EQ(sci(Sci::SCI_GETMARGINWIDTHN, m), 0) << m;
    EXPECT_NE(sci(Sci::SCI_GETMARGINTYPEN, 0), Sci::SC_MARGIN_NUMBER); // no line numbers
    EXPECT_EQ(sci(Sci::SCI_GETMARGINMASKN, 0), 0x3FF);
    EXPECT_EQ(sci(Sci::SCI_GETEDGEMODE), Sci::EDGE_LINE);
    EXPECT_EQ(sci(Sci::SCI_GETEDGECOLUMN), 80);
    EXPECT_EQ(ed.edgeColor(), QColor(192, 192, 192));
    EXPECT_EQ(sci(Sci::SCI_GETTABWIDTH), 8);
    EXPECT_EQ(sci(Sci::SCI_GETINDENT), 2);
    EXPECT_EQ(sci(Sci::SCI_GETUSETABS), 0);
    EXPECT_EQ(sci(Sci::SCI_GETWRAPMODE), Sci::SC_WRAP_NONE);
    EXPECT_EQ(sci(Sci::SCI_GETCARETLINEVISIBLE), 0);
    EXPECT_EQ(sci(Sci::SCI_GETCARETLINEBACK), bgr(QColor(255, 255, 0)));
    EXPECT_EQ(sci(Sci::SCI_GETSCROLLWIDTHTRACKING), 0);
    const long xWidth = sci(Sci::SCI_TEXTWIDTH, TSynEditLexer::kPlainStyle, reinterpret_cast<long>("X"));
    EXPECT_EQ(sci(Sci::SCI_GETSCROLLWIDTH), 1024 * xWidth);
    EXPECT_TRUE(sci(Sci::SCI_GETVIRTUALSPACEOPTIONS) & Sci::SCVS_USERACCESSIBLE);
    EXPECT_EQ(sci(Sci::SCI_GETENDATLASTLINE), 1);
    EXPECT_EQ(sci(Sci::SCI_GETCARETSTYLE), Sci::CARETSTYLE_LINE);
    EXPECT_EQ(sci(Sci::SCI_GETVIEWWS), Sci::SCWS_INVISIBLE);
    EXPECT_EQ(ed.contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_TRUE(ed.verticalScrollBar()->isVisible());
    EXPECT_TRUE(ed.horizontalScrollBar()->isVisible());
    // Courier New, 13 pixels high.
    const QFont f = ed.lexer()->font(TSynEditLexer::kPlainStyle);
    EXPECT_EQ(f.family(), QStringLiteral("Courier New"));
    EXPECT_NEAR(f.pointSizeF() * ed.logicalDpiY() / 72.0, 13.0, 0.01);
    EXPECT_EQ(ed.insertMode(), true);
    EXPECT_EQ(ed.selectionMode(), TSynEdit::TSelectionMode::Normal);
}

TEST_F(EditorTest, CaretMovesAndEnhancedEnd) {
    load("    mov ax, bx   \nsecond line\nthird");
    key(Qt::Key_End);
    EXPECT_EQ(caret(), Pos(0, 14)); // behind the last non-blank character
    key(Qt::Key_End);
    EXPECT_EQ(caret(), Pos(0, 17)); // then the line end
    key(Qt::Key_Home);
    EXPECT_EQ(caret(), Pos(0, 0)); // the line's start, not its first non-blank
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(0, 4));
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(0, 8));
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(0, 4));
    key(Qt::Key_Down);
    EXPECT_EQ(caret(), Pos(1, 4));
    key(Qt::Key_Right);
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(caret(), Pos(1, 3));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(2, 5));
    key(Qt::Key_Up);
    EXPECT_EQ(caret(), Pos(1, 5));
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(0, 0));
    // The caret may go past the end of a line.
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    for (int i = 0; i < 8; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(caret(), Pos(2, 8));
    EXPECT_EQ(text(), QStringLiteral("    mov ax, bx   \nsecond line\nthird"));
    // ... up to the longest scrollable line.
    ed.setCaret(2, 1022);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(caret(), Pos(2, 1024));
}

TEST_F(EditorTest, ShiftExtendsEveryMove) {
    load("alpha beta\ngamma");
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("alpha "));
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("alpha beta"));
    key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("alpha beta\ngamma"));
    key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("alpha beta\n"));
    key(Qt::Key_Left); // a plain move drops the selection
    EXPECT_TRUE(selection().isEmpty());
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_FALSE(selection().isEmpty());
    key(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(caret(), Pos(0, 0));
}

TEST_F(EditorTest, PagesAndScrolling) {
    QString many;
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("line %1\n").arg(i);
    load(many);
    const long onScreen = sci(Sci::SCI_LINESONSCREEN);
    ASSERT_GT(onScreen, 5);
    key(Qt::Key_Down, Qt::ControlModifier); // scrolls, caret stays
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(sci(Sci::SCI_GETFIRSTVISIBLELINE), 2);
    EXPECT_EQ(caret(), Pos(0, 0));
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(sci(Sci::SCI_GETFIRSTVISIBLELINE), 1);
    key(Qt::Key_PageDown, Qt::ControlModifier); // last visible line
    EXPECT_EQ(ed.caretLine(), 1 + onScreen - 1);
    key(Qt::Key_PageUp, Qt::ControlModifier); // first visible line
    EXPECT_EQ(ed.caretLine(), 1);
    key(Qt::Key_PageDown);
    EXPECT_GT(ed.caretLine(), onScreen - 2);
    key(Qt::Key_PageUp);
    EXPECT_LE(ed.caretLine(), 2);
}

TEST_F(EditorTest, DeletingKeys) {
    load("abc def ghi\nsecond\nthird");
    ed.setCaret(0, 4);
    key(Qt::Key_T, Qt::ControlModifier); // to the end of the word
    EXPECT_EQ(ed.lineText(0), QStringLiteral("abc  ghi"));
    key(Qt::Key_Backspace, Qt::ControlModifier); // from the start of the word
    EXPECT_EQ(ed.lineText(0), QStringLiteral(" ghi"));
    key(Qt::Key_Delete);
    EXPECT_EQ(ed.lineText(0), QStringLiteral("ghi"));
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_EQ(ed.lineText(0), QStringLiteral("g"));
    ed.setCaret(1, 3);
    key(Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier); // to the end of the line
    EXPECT_EQ(ed.lineText(1), QStringLiteral("sec"));
    key(Qt::Key_Y, Qt::ControlModifier); // the caret line (not redo)
    EXPECT_EQ(text(), QStringLiteral("g\nthird"));
}

TEST_F(EditorTest, BreakingLinesWithAutoIndent) {
    load("  mov ax,bx");
    key(Qt::Key_End);
    key(Qt::Key_Return);
    EXPECT_EQ(text(), QStringLiteral("  mov ax,bx\n  "));
    EXPECT_EQ(caret(), Pos(1, 2));
    key(Qt::Key_Return, Qt::ShiftModifier);
    key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(ed.lineCount(), 4);
    load("abcdef");
    ed.setCaret(0, 3);
    key(Qt::Key_N, Qt::ControlModifier); // the caret stays at the end of the first part
    EXPECT_EQ(text(), QStringLiteral("abc\ndef"));
    EXPECT_EQ(caret(), Pos(0, 3));
}

TEST_F(EditorTest, UndoRedoGroupedAndHistoryEmptyAfterLoad) {
    load("x");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("x")); // nothing to undo after a load
    EXPECT_EQ(sci(Sci::SCI_CANUNDO), 0);
    key(Qt::Key_End);
    QTest::keyClicks(&ed, "abc");
    EXPECT_EQ(text(), QStringLiteral("xabc"));
    key(Qt::Key_Z, Qt::ControlModifier); // typed characters are one step
    EXPECT_EQ(text(), QStringLiteral("x"));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("xabc"));
    key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
    key(Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("xabc"));
    // Consecutive deletions are one step too, apart from the typing before them.
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), QStringLiteral("xa"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("xabc"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
    ed.clearLines();
    EXPECT_EQ(sci(Sci::SCI_CANUNDO), 0);
    EXPECT_EQ(sci(Sci::SCI_CANREDO), 0);
}

TEST_F(EditorTest, KeysOutsideTheTableDoNothing) {
    load("one\ntwo");
    // QScintilla's own bindings (line cut, duplicate, transpose, lower case, zoom) are not this editor's.
    for (Qt::Key k : {Qt::Key_L, Qt::Key_D, Qt::Key_U, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_J, Qt::Key_Q})
        key(k, Qt::ControlModifier);
    key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    key(Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier);
    key(Qt::Key_Escape);
    EXPECT_EQ(text(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(sci(Sci::SCI_GETZOOM), 0);
    QTest::keyClicks(&ed, "ok");
    EXPECT_EQ(text(), QStringLiteral("okone\ntwo"));
}

TEST_F(EditorTest, ClipboardKeys) {
    load("one two");
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selection(), QStringLiteral("one two"));
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    ed.setCaret(0, 0);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("one "));
    key(Qt::Key_End);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("one twoone "));
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("one twoone one "));
    ed.setCaret(0, 0);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("o"));
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("ne twoone one "));
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("n"));
    EXPECT_EQ(text(), QStringLiteral("e twoone one "));
}

TEST_F(EditorTest, InsertTogglesOverwriteAndTheCaretShape) {
    load("abcd");
    key(Qt::Key_Insert);
    EXPECT_FALSE(ed.insertMode());
    EXPECT_EQ(sci(Sci::SCI_GETCARETSTYLE), Sci::CARETSTYLE_BLOCK);
    QTest::keyClicks(&ed, "XY");
    EXPECT_EQ(text(), QStringLiteral("XYcd"));
    key(Qt::Key_Insert);
    EXPECT_TRUE(ed.insertMode());
    EXPECT_EQ(sci(Sci::SCI_GETCARETSTYLE), Sci::CARETSTYLE_LINE);
    QTest::keyClicks(&ed, "Z");
    EXPECT_EQ(text(), QStringLiteral("XYZcd"));
}

TEST_F(EditorTest, BlockIndentAndUnindent) {
    load("a\nb\nc");
    ed.setCaret(0, 0);
    key(Qt::Key_Down, Qt::ShiftModifier); // lines 0 and up to the start of line 1: one line
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("  a\n  b\nc"));
    key(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("    a\n    b\nc"));
    key(Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("  a\n  b\nc"));
    key(Qt::Key_Z, Qt::ControlModifier); // one undo step each
    EXPECT_EQ(text(), QStringLiteral("    a\n    b\nc"));
}

TEST_F(EditorTest, UndoReachesTheNewest1024StepsOnly) {
    load("");
    // Each character typed at the line start is a step of its own: 1025 steps.
    for (int i = 0; i <= TSynEditLook::UndoLimit; ++i) {
        key(Qt::Key_Home);
        QTest::keyClick(&ed, 'x');
    }
    ASSERT_EQ(text(), QString(TSynEditLook::UndoLimit + 1, 'x'));
    EXPECT_EQ(ed.undoSteps(), TSynEditLook::UndoLimit);
    for (int i = 0; i < TSynEditLook::UndoLimit; ++i)
        key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
    key(Qt::Key_Z, Qt::ControlModifier); // the oldest step is beyond the history
    key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
    for (int i = 0; i < TSynEditLook::UndoLimit; ++i)
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QString(TSynEditLook::UndoLimit + 1, 'x'));
    // Back at the limit, a new change is a step of its own that undoes alone.
    for (int i = 0; i < TSynEditLook::UndoLimit; ++i)
        key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_End);
    QTest::keyClick(&ed, 'y');
    EXPECT_EQ(ed.redoSteps(), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("x"));
}

TEST_F(EditorTest, CtrlWheelScrollsAndNeverZooms) {
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("nop ; %1").arg(i);
    load(lines.join('\n'));
    const QPointF at(100, 50);
    QWheelEvent wheel(at, ed.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(ed.viewport(), &wheel);
    EXPECT_EQ(sci(Sci::SCI_GETZOOM), 0);
    EXPECT_GT(sci(Sci::SCI_GETFIRSTVISIBLELINE), 3) << "a page, more than a plain wheel step";
}

TEST_F(EditorTest, ColumnAndLineModesApplyToMouseDrags) {
    load("abcd\nefgh\nijkl");
    const auto pointAt = [&](int line, int column) {
        const long pos = sci(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) + column;
        return QPointF(sci(Sci::SCI_POINTXFROMPOSITION, 0, pos), sci(Sci::SCI_POINTYFROMPOSITION, 0, pos) + 3);
    };
    const auto drag = [&](QPointF from, QPointF to) {
        QWidget* vp = ed.viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, from.toPoint());
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to.toPoint());
    };
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    drag(pointAt(0, 1), pointAt(1, 3));
    EXPECT_EQ(sci(Sci::SCI_SELECTIONISRECTANGLE), 1);
    EXPECT_EQ(selection(), QStringLiteral("bc\nfg\n"));
    // Shift with the keys goes on from the block the mouse made.
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("bc\nfg\njk\n"));

    key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    drag(pointAt(1, 0), pointAt(0, 1)); // a press beside the block, not on it (that would drag the text)
    EXPECT_EQ(selection(), QStringLiteral("abcd\nefgh\n"));
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("efgh\n"));
    QTest::mouseClick(ed.viewport(), Qt::LeftButton, {}, pointAt(2, 2).toPoint()); // a click selects nothing
    EXPECT_EQ(selection(), QString());
    EXPECT_EQ(caret(), Pos(2, 2));

    key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    drag(pointAt(0, 2), pointAt(1, 2));
    EXPECT_EQ(sci(Sci::SCI_SELECTIONISRECTANGLE), 0);
    EXPECT_EQ(selection(), QStringLiteral("cd\nef"));
    EXPECT_EQ(text(), QStringLiteral("abcd\nefgh\nijkl"));
}

TEST_F(EditorTest, SelectionModesAndBracketMatch) {
    load("abcd\nefgh\nijkl");
    ed.setCaret(0, 1);
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ed.selectionMode(), TSynEdit::TSelectionMode::Column);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(sci(Sci::SCI_SELECTIONISRECTANGLE), 1);
    EXPECT_EQ(selection(), QStringLiteral("bc\nfg\n")); // a column block copies with a line end per row

    key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ed.setCaret(0, 2);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("abcd\nefgh\n"));
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("abcd\nefgh\nijkl"));

    key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ed.setCaret(0, 2);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), QStringLiteral("cd\nef"));

    load("(a(b)c) x");
    key(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(caret(), Pos(0, 6));
    key(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(caret(), Pos(0, 0));
}

TEST_F(EditorTest, TenBookmarksSetClearMoveAndGo) {
    load("l0\nl1\nl2\nl3\nl4\nl5");
    ed.setCaret(2, 1);
    key(Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    int line = -1, column = -1;
    ASSERT_TRUE(ed.bookmark(3, &line, &column));
    EXPECT_EQ(Pos(line, column), Pos(2, 1));
    EXPECT_EQ(sci(Sci::SCI_MARKERGET, 2), 1 << 3); // the numbered mark in the gutter
    EXPECT_EQ(sci(Sci::SCI_MARKERSYMBOLDEFINED, 3), Sci::SC_MARK_RGBAIMAGE);

    ed.setCaret(5, 0);
    key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(2, 1));

    // The same key on another line moves it (the shifted digit arrives as '#').
    ed.setCaret(4, 2);
    key(Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(ed.bookmark(3, &line, &column));
    EXPECT_EQ(Pos(line, column), Pos(4, 2));
    EXPECT_EQ(sci(Sci::SCI_MARKERGET, 2), 0);
    EXPECT_EQ(sci(Sci::SCI_MARKERGET, 4), 1 << 3);

    // On the bookmark's line it clears it.
    ed.setCaret(4, 0);
    key(Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(ed.bookmark(3, nullptr, nullptr));
    EXPECT_EQ(sci(Sci::SCI_MARKERGET, 4), 0);
    ed.setCaret(1, 0);
    key(Qt::Key_3, Qt::ControlModifier); // unset: nothing happens
    EXPECT_EQ(caret(), Pos(1, 0));

    // All ten, and they follow the text.
    for (int n = 0; n < 10; ++n) {
        ed.setCaret(n % 6, n % 3);
        key(static_cast<Qt::Key>(Qt::Key_0 + n), Qt::ControlModifier | Qt::ShiftModifier);
    }
    for (int n = 0; n < 10; ++n)
        EXPECT_TRUE(ed.bookmark(n, nullptr, nullptr)) << n;
    ed.setCaret(0, 0);
    key(Qt::Key_Return);
    ASSERT_TRUE(ed.bookmark(5, &line, &column));
    EXPECT_EQ(line, 6);
    key(Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(caret(), Pos(6, 2));
    ed.clearLines();
    EXPECT_FALSE(ed.bookmark(5, nullptr, nullptr));
}

TEST_F(EditorTest, TabLeavesTheEditor) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new TSynEdit;
    auto* next = new QLineEdit;
    layout->addWidget(editor);
    layout->addWidget(next);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    editor->loadFromBytes("mov");
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
    EXPECT_EQ(editor->text(), QStringLiteral("mov"));
}

TEST_F(EditorTest, MouseClickPastTheLineEndAndDoubleClick) {
    load("mov ax,bx\nnop");
    const long xWidth = sci(Sci::SCI_TEXTWIDTH, TSynEditLexer::kPlainStyle, reinterpret_cast<long>("X"));
    const long end = sci(Sci::SCI_GETLINEENDPOSITION, 1);
    const int x = static_cast<int>(sci(Sci::SCI_POINTXFROMPOSITION, 0, end) + xWidth * 5 + xWidth / 2);
    const int y = static_cast<int>(sci(Sci::SCI_POINTYFROMPOSITION, 0, end) + 3);
    QTest::mouseClick(ed.viewport(), Qt::LeftButton, {}, QPoint(x, y));
    EXPECT_EQ(caret(), Pos(1, 8));
    const int wx = static_cast<int>(sci(Sci::SCI_POINTXFROMPOSITION, 0, 5));
    const int wy = static_cast<int>(sci(Sci::SCI_POINTYFROMPOSITION, 0, 5) + 3);
    QTest::mouseClick(ed.viewport(), Qt::LeftButton, {}, QPoint(wx, wy));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(wx, wy), ed.viewport()->mapToGlobal(QPointF(wx, wy)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ed.viewport(), &dbl);
    EXPECT_EQ(selection(), QStringLiteral("ax"));
}

TEST_F(EditorTest, NoContextMenu) {
    load("mov");
    bool menuSeen = false;
    QTimer::singleShot(300, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuSeen = true;
            popup->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), ed.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&ed, &event);
    QTest::qWait(400);
    EXPECT_FALSE(menuSeen);
}

TEST_F(EditorTest, ScrollHintWhileTheScrollBoxIsDragged) {
    QString many;
    for (int i = 0; i < 500; ++i)
        many += QStringLiteral("line %1\n").arg(i);
    load(many);
    QScrollBar* bar = ed.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    bar->setSliderDown(true);
    bar->setSliderPosition(40);
    EXPECT_EQ(ed.scrollHint(), QStringLiteral("Top Line: 41"));
    EXPECT_EQ(sci(Sci::SCI_GETFIRSTVISIBLELINE), 40);
    bar->setSliderDown(false);
    EXPECT_TRUE(ed.scrollHint().isEmpty());
}

TEST_F(EditorTest, ChineseIsOneCharacterForCaretAndEditing) {
    const QByteArray gbkLine = gbk::encode(QStringLiteral("; 中文注释"));
    ed.loadFromBytes(gbkLine + "\r\n");
    EXPECT_EQ(ed.lineText(0), QStringLiteral("; 中文注释"));
    EXPECT_EQ(ed.lineBytes(0), gbkLine);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(caret(), Pos(0, 3));
    key(Qt::Key_Delete);
    EXPECT_EQ(ed.lineText(0), QStringLiteral("; 中注释"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(ed.lineText(0), QStringLiteral("; 注释"));
    key(Qt::Key_End);
    EXPECT_EQ(caret(), Pos(0, 4));
    EXPECT_EQ(ed.Lines(), (QList<QByteArray>{gbk::encode(QStringLiteral("; 注释"))}));
}

TEST_F(EditorTest, InputMethodCompositionAtTheCaret) {
    load("mov ax");
    ed.setCaret(0, 3);
    QInputMethodEvent preedit(QStringLiteral("zhong"), {});
    QApplication::sendEvent(&ed, &preedit);
    // The composition is shown at the caret, in the editor's font.
    const QRect at = static_cast<QWidget&>(ed).inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const int caretX = static_cast<int>(sci(Sci::SCI_POINTXFROMPOSITION, 0, 3));
    EXPECT_GE(at.left(), caretX);
    EXPECT_EQ(static_cast<QWidget&>(ed).inputMethodQuery(Qt::ImFont).value<QFont>().family(), QStringLiteral("Courier New"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中文"));
    QApplication::sendEvent(&ed, &commit);
    EXPECT_EQ(text(), QStringLiteral("mov中文 ax"));
    EXPECT_EQ(caret(), Pos(0, 5));
    EXPECT_EQ(ed.lineBytes(0), gbk::encode(QStringLiteral("mov中文 ax")));
}

TEST_F(EditorTest, StylesFollowTheTokensAndTheHighlighter) {
    load("中文 mov 'x' 12");
    // UTF-8 offsets: 中 0..2, 文 3..5, blank 6, mov 7..9, blank 10, 'x' 11..13, blank 14, 12 15..16.
    EXPECT_EQ(styleAt(0), tkIdentifier);
    EXPECT_EQ(styleAt(5), tkIdentifier);
    EXPECT_EQ(styleAt(6), tkSpace);
    EXPECT_EQ(styleAt(8), tkKey);
    EXPECT_EQ(styleAt(12), tkString);
    EXPECT_EQ(styleAt(16), tkNumber);

    // 88: strings teal, keywords bold blue.
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkString), bgr(QColor(0, 128, 128)));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkKey), bgr(QColor(0, 0, 255)));
    EXPECT_TRUE(ed.lexer()->font(tkKey).bold());
    EXPECT_NE(sci(Sci::SCI_STYLEGETWEIGHT, tkKey), sci(Sci::SCI_STYLEGETWEIGHT, tkSpace));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETITALIC, tkComment), 1);
    // The highlighter it already has changes nothing: no restyling.
    sci(Sci::SCI_COLOURISE, 0, -1);
    ed.setHighlighter(hl.SynAsmSyn88());
    EXPECT_EQ(sci(Sci::SCI_GETENDSTYLED), sci(Sci::SCI_GETLENGTH));
    // 51: strings red, identifiers green; the text is styled anew.
    ed.setHighlighter(hl.SynAsmSyn51());
    EXPECT_EQ(sci(Sci::SCI_GETENDSTYLED), 0);
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkString), bgr(QColor(255, 0, 0)));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkIdentifier), bgr(QColor(0, 128, 0)));
    // 96: no colours: the editor's text colour.
    ed.setHighlighter(hl.SynAsmSyn96());
    const long plain = bgr(ed.palette().color(QPalette::Text));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkString), plain);
    EXPECT_NE(sci(Sci::SCI_STYLEGETWEIGHT, tkKey), sci(Sci::SCI_STYLEGETWEIGHT, tkSpace));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETBACK, tkKey), bgr(ed.palette().color(QPalette::Base)));

    // An attribute change reaches the editor that uses the highlighter.
    hl.SynAsmSyn96()->NumberAttri->setForeground(QColor(1, 2, 3));
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkNumber), bgr(QColor(1, 2, 3)));
    hl.SynAsmSyn88()->NumberAttri->setForeground(QColor(9, 9, 9)); // not in use: no effect
    EXPECT_EQ(sci(Sci::SCI_STYLEGETFORE, tkNumber), bgr(QColor(1, 2, 3)));
}

TEST_F(EditorTest, HighlighterGoneLeavesPlainText) {
    {
        auto own = asmhighlighters::create(51);
        ed.setHighlighter(own.get());
        load("mov");
        EXPECT_EQ(styleAt(0), tkKey);
    }
    EXPECT_EQ(ed.highlighter(), nullptr);
    load("mov");
    EXPECT_EQ(styleAt(0), TSynEditLexer::kPlainStyle);
}

TEST_F(EditorTest, LineEndsGiveTheSameLines) {
    ed.loadFromBytes("a\r\nb\r\nc\r\n");
    const QList<QByteArray> crlf = ed.Lines();
    ed.loadFromBytes("a\nb\nc\n");
    EXPECT_EQ(ed.Lines(), crlf);
    ed.loadFromBytes("a\rb\rc\r");
    EXPECT_EQ(ed.Lines(), crlf);
    EXPECT_EQ(crlf, (QList<QByteArray>{"a", "b", "c"}));
}

TEST(EditorLook, ScrollWidthIsSetWhenFirstShown) {
    // The longest line may be 1024 characters of the plain style wide, hidden or not when made.
    TSynEdit ed;
    ed.resize(300, 200);
    ed.show();
    const long x = ed.SendScintilla(Sci::SCI_TEXTWIDTH, TSynEditLexer::kPlainStyle, "X");
    ASSERT_GT(x, 0);
    EXPECT_EQ(ed.SendScintilla(Sci::SCI_GETSCROLLWIDTH), 1024 * x);
    EXPECT_EQ(ed.SendScintilla(Sci::SCI_GETSCROLLWIDTHTRACKING), 0);
    ed.hide();
    ed.show();
    EXPECT_EQ(ed.SendScintilla(Sci::SCI_GETSCROLLWIDTH), 1024 * x);
}

TEST_F(EditorTest, LoadingFilesResetsTheView) {
    QTemporaryDir dir;
    QByteArray gbkText;
    for (int i = 0; i < 400; ++i)
        gbkText += gbk::encode(QStringLiteral("; 第%1行\r\n").arg(i));
    const QString gbkPath = dir.filePath("gbk.asm");
    ASSERT_TRUE(testsupport::writeFile(gbkPath, gbkText));
    ed.loadFromFile(gbkPath);
    EXPECT_EQ(ed.lineCount(), 400); // a line end at the very end starts no line
    EXPECT_EQ(ed.lineText(7), QStringLiteral("; 第7行"));
    ed.setCaret(300, 3);
    QTest::keyClicks(&ed, "x");
    sci(Sci::SCI_SETXOFFSET, 50);
    ASSERT_GT(sci(Sci::SCI_GETFIRSTVISIBLELINE), 0);

    const QString utf8Path = dir.filePath("utf8.asm");
    ASSERT_TRUE(testsupport::writeFile(utf8Path, QStringLiteral("mov ax,1 ; 中文\nnop\n").toUtf8()));
    ed.loadFromFile(utf8Path);
    EXPECT_EQ(ed.lineText(0), QStringLiteral("mov ax,1 ; 中文"));
    EXPECT_EQ(ed.lineCount(), 2);
    EXPECT_EQ(caret(), Pos(0, 0));
    EXPECT_EQ(sci(Sci::SCI_GETFIRSTVISIBLELINE), 0);
    EXPECT_EQ(sci(Sci::SCI_GETXOFFSET), 0);
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_EQ(sci(Sci::SCI_CANUNDO), 0);

    const QString bomPath = dir.filePath("bom.asm");
    ASSERT_TRUE(testsupport::writeFile(bomPath, "\xEF\xBB\xBF" + QStringLiteral("；注").toUtf8()));
    ed.loadFromFile(bomPath);
    EXPECT_EQ(text(), QStringLiteral("；注"));
}

TEST_F(EditorTest, AFileThatCannotBeOpened) {
    QTemporaryDir dir;
    load("old text");
    const QString folder = dir.filePath("sub.asm");
    ASSERT_TRUE(QDir().mkpath(folder));
    testsupport::ErrorRecorder errors;
    const bool ok = errorreport::guarded([&] { ed.loadFromFile(folder); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_TRUE(errors.texts()[0].startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(folder)))
        << errors.texts()[0].toStdString();
    EXPECT_EQ(text(), QString());
    EXPECT_EQ(sci(Sci::SCI_CANUNDO), 0);
}

TEST_F(EditorTest, BadInputLoadsAndStyles) {
    // Binary bytes with NULs and every byte value.
    QByteArray binary;
    QRandomGenerator rng(7);
    for (int i = 0; i < 200000; ++i)
        binary += static_cast<char>(rng.bounded(256));
    ed.loadFromBytes(binary);
    std::vector<QString> expected;
    sourcetext::forEachLine(binary, [&](QByteArrayView l) {
        QString line = gbk::decode(l.toByteArray() + '\n'); // the file as a whole is not UTF-8: GBK throughout
        line.chop(1);
        expected.push_back(line);
    });
    ASSERT_EQ(ed.lineCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < ed.lineCount(); ++i)
        ASSERT_EQ(ed.lineText(i), expected[static_cast<size_t>(i)]) << i;
    sci(Sci::SCI_COLOURISE, 0, -1);
    EXPECT_EQ(sci(Sci::SCI_GETENDSTYLED), sci(Sci::SCI_GETLENGTH));

    // A NUL inside a line: kept, and the rest of the line is plain.
    ed.loadFromBytes(QByteArray("mov\0mov\nnop", 11));
    EXPECT_EQ(ed.lineText(0), QString::fromLatin1("mov\0mov", 7));
    EXPECT_EQ(styleAt(0), tkKey);
    EXPECT_EQ(styleAt(5), TSynEditLexer::kPlainStyle);
    EXPECT_EQ(styleAt(9), tkKey);

    // Invalid GBK and a lead byte at a line end.
    ed.loadFromBytes("mov\xD6\r\n\xFF\x30x\r\nnop\xD6");
    EXPECT_EQ(ed.lineCount(), 3);
    EXPECT_TRUE(ed.lineText(0).startsWith(QStringLiteral("mov")));
    EXPECT_EQ(ed.lineText(2).left(3), QStringLiteral("nop"));
    EXPECT_EQ(styleAt(0), tkKey);

    // A 1 MB line scrolls no further than its longest-line width, and styles whole.
    QByteArray longLine;
    while (longLine.size() < (1 << 20))
        longLine += "mov ax,'s' ;";
    ed.loadFromBytes(longLine + "\r\nnext");
    EXPECT_EQ(ed.lineCount(), 2);
    EXPECT_EQ(ed.lineText(0).size(), longLine.size());
    sci(Sci::SCI_COLOURISE, 0, -1);
    EXPECT_EQ(sci(Sci::SCI_GETSTYLEAT, 0), tkKey);
    EXPECT_EQ(sci(Sci::SCI_GETSTYLEAT, 7), tkString);
    EXPECT_EQ(sci(Sci::SCI_GETSTYLEAT, 11), tkComment);
    EXPECT_EQ(sci(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(longLine.size() - 1)), tkComment);

    // 100,000 lines.
    QByteArray big;
    for (int i = 0; i < 100000; ++i)
        big += "\tmov\tax, " + QByteArray::number(i) + "\t; \xd6\xd0\r\n";
    ed.loadFromBytes(big);
    EXPECT_EQ(ed.lineCount(), 100000);
    EXPECT_EQ(ed.lineBytes(99999), "\tmov\tax, 99999\t; \xd6\xd0");
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(ed.caretLine(), 99999);
}
