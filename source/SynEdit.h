#pragma once
// The source editor of the "源程序" tab (SynEdtasm): a QScintilla editor configured and keyed as the program's
// assembly source view. Text is held as Unicode; the lines it offers and loads are GBK (a file that is valid
// UTF-8 and not plain ASCII is read as UTF-8). A highlighter colours it through TSynEditLexer.
#include "source/SynEditHighlighter.h"
#include "source/SynEditKeys.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

class TSynEditLexer;

// The configured look, including values that are set but not in force (current-line highlight, line divider,
// word wrap).
struct TSynEditLook {
    static constexpr int FontPixels = 13;
    static constexpr int GutterWidth = 35;
    static constexpr int GutterFontPixels = 11;
    static constexpr int RightEdge = 80;
    static constexpr int TabWidth = 8;
    static constexpr int MaxScrollWidth = 1024; // columns
    static constexpr int BlockIndent = 2;
    static constexpr int UndoLimit = 1024;
    static constexpr int WordWrapColumn = 80;
    static constexpr bool ActiveLineVisible = false;
    static constexpr QRgb ActiveLineBackground = 0xFFFFFF00; // yellow
    static constexpr QRgb ActiveLineForeground = 0xFF000080; // navy
    static constexpr bool LineDividerVisible = false;
    static constexpr QRgb LineDividerColour = 0xFFFF0000;    // red, solid
    static constexpr QRgb RightEdgeColour = 0xFFC0C0C0;      // silver
    static constexpr bool WordWrap = false;
};

class TSynEdit : public QsciScintilla, public TSynHighlighterClient {
    Q_OBJECT
public:
    enum class TSelectionMode { Normal, Column, Line };
    static constexpr int BookmarkCount = 10;

    explicit TSynEdit(QWidget* parent = nullptr);
    ~TSynEdit() override;

    // --- The operations an experiment load uses, in this order.
    // Empties the editor: caret to line 1 column 1, view to the top left, no selection, no undo or redo, no
    // bookmarks.
    void clearLines();
    // Colours with `highlighter` (null: plain text); the same highlighter again changes nothing.
    void setHighlighter(TSynCustomHighlighter* highlighter);
    TSynCustomHighlighter* highlighter() const { return highlighter_; }
    // Replaces the text by the file's lines, resetting as clearLines does. Raises Error
    // "Cannot open file "<path>". <reason>" when the file cannot be read; the editor is then left empty.
    void loadFromFile(const QString& path);
    // The same from bytes already read.
    void loadFromBytes(QByteArrayView bytes);

    // --- The text as GBK lines.
    int lineCount() const;
    QByteArray lineBytes(int line) const; // without its line end
    QString lineText(int line) const;
    QList<QByteArray> Lines() const;

    // --- Caret, in characters (a double-byte character is one), from 0; the column counts past the line end.
    int caretLine() const;
    int caretColumn() const;
    void setCaret(int line, int column);
    bool insertMode() const;
    TSelectionMode selectionMode() const { return selectionMode_; }

    // --- Bookmarks 0..9.
    // The set/clear/move rule of Ctrl+Shift+digit at the caret.
    void toggleBookmark(int n);
    void gotoBookmark(int n);
    bool bookmark(int n, int* line, int* column) const;

    // Runs one command of the key table (extend: the Shift variant of a move).
    void executeCommand(TEditorCommand command, bool extend = false, int bookmark = 0);

    // The scroll hint's text while the vertical scroll box is dragged, else empty.
    QString scrollHint() const { return scrollHint_; }

    // The undo steps that can be undone now (at most UndoLimit) and the redo steps behind them.
    int undoSteps() const { return undoSteps_; }
    int redoSteps() const { return redoSteps_; }
    void undo() override;
    void redo() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void highlighterAttributesChanged(TSynCustomHighlighter* highlighter) override;
    void highlighterDestroyed(TSynCustomHighlighter* highlighter) override;

    void configure();
    void defineBookmarkMarks();
    void resetView();
    void updateCaretShape();
    void restyle();
    long send(unsigned int msg, unsigned long wParam = 0, long lParam = 0) const;

    void move(TEditorCommand command, bool extend);
    int plainMove(TEditorCommand command); // moves the caret without selecting; returns the new position
    int enhancedEndTarget() const;
    int pageEdgeTarget(bool bottom) const;
    void blockIndent(bool indent);
    void insertLineKeepingCaret();
    void matchBracket();
    void documentModified(int modificationType);
    void selectLines(long anchorPos, long caretPos);
    // A caret place under a point of the text area: position and columns of virtual space past the line end.
    struct Place {
        long pos = 0;
        long virtualSpace = 0;
    };
    Place placeAt(const QPointF& point) const;
    void selectByMouse(const QPointF& point);
    bool inSelection(long pos) const;

    TSynCustomHighlighter* highlighter_ = nullptr;
    TSynEditLexer* lexer_ = nullptr;
    TSelectionMode selectionMode_ = TSelectionMode::Normal;
    struct Mark {
        int handle = -1;
        int column = 0;
    };
    std::array<Mark, BookmarkCount> marks_{};
    // A line-mode selection keeps its own anchor and caret (the shown selection covers whole lines).
    bool lineSelecting_ = false;
    int lineAnchor_ = 0;
    int lineCaret_ = 0;
    QString scrollHint_;
    // Undo bookkeeping: Scintilla keeps its whole history; only the newest UndoLimit steps may be undone.
    int undoSteps_ = 0;
    int redoSteps_ = 0;
    // A mouse drag in column or line mode, selecting from this anchor.
    bool mouseSelecting_ = false;
    Place mouseAnchor_;
    bool marksDefined_ = false;
    bool scrollWidthSet_ = false;
};
