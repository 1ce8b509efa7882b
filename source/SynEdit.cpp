#include "source/SynEdit.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "source/SourceText.h"
#include "source/SynEditLexer.h"

#include <Qsci/qscicommandset.h>

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace {

using Sci = QsciScintillaBase;

// QScintilla sizes its fonts in points only: a height in pixels is turned into points at the screen's density.
QFont pixelFont(int pixels, qreal dpi) {
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(pixels * 72.0 / (dpi > 0 ? dpi : 96.0));
    f.setStyleHint(QFont::Monospace);
    return f;
}

// Scintilla's own message for each move: plain and with the selection extended.
struct MoveMessages {
    TEditorCommand command;
    unsigned int plain;
    unsigned int extend;
};

const MoveMessages kMoves[] = {
    {TEditorCommand::Left, Sci::SCI_CHARLEFT, Sci::SCI_CHARLEFTEXTEND},
    {TEditorCommand::Right, Sci::SCI_CHARRIGHT, Sci::SCI_CHARRIGHTEXTEND},
    {TEditorCommand::Up, Sci::SCI_LINEUP, Sci::SCI_LINEUPEXTEND},
    {TEditorCommand::Down, Sci::SCI_LINEDOWN, Sci::SCI_LINEDOWNEXTEND},
    {TEditorCommand::WordLeft, Sci::SCI_WORDLEFT, Sci::SCI_WORDLEFTEXTEND},
    {TEditorCommand::WordRight, Sci::SCI_WORDRIGHT, Sci::SCI_WORDRIGHTEXTEND},
    {TEditorCommand::LineStart, Sci::SCI_HOME, Sci::SCI_HOMEEXTEND},
    {TEditorCommand::PageUp, Sci::SCI_PAGEUP, Sci::SCI_PAGEUPEXTEND},
    {TEditorCommand::PageDown, Sci::SCI_PAGEDOWN, Sci::SCI_PAGEDOWNEXTEND},
    {TEditorCommand::EditorTop, Sci::SCI_DOCUMENTSTART, Sci::SCI_DOCUMENTSTARTEXTEND},
    {TEditorCommand::EditorBottom, Sci::SCI_DOCUMENTEND, Sci::SCI_DOCUMENTENDEXTEND},
};

const MoveMessages* moveMessages(TEditorCommand c) {
    for (const MoveMessages& m : kMoves)
        if (m.command == c)
            return &m;
    return nullptr;
}

// Commands that are one Scintilla message.
struct SimpleCommand {
    TEditorCommand command;
    unsigned int message;
};

const SimpleCommand kSimple[] = {
    {TEditorCommand::DeleteChar, Sci::SCI_CLEAR},         {TEditorCommand::DeleteLastChar, Sci::SCI_DELETEBACK},
    {TEditorCommand::DeleteLastWord, Sci::SCI_DELWORDLEFT}, {TEditorCommand::DeleteWord, Sci::SCI_DELWORDRIGHTEND},
    {TEditorCommand::DeleteLine, Sci::SCI_LINEDELETE},    {TEditorCommand::DeleteEOL, Sci::SCI_DELLINERIGHT},
    {TEditorCommand::LineBreak, Sci::SCI_NEWLINE},        {TEditorCommand::SelectAll, Sci::SCI_SELECTALL},
    {TEditorCommand::Copy, Sci::SCI_COPY},                {TEditorCommand::Cut, Sci::SCI_CUT},
    {TEditorCommand::Paste, Sci::SCI_PASTE},
};

// The gutter mark of bookmark n: its digit in a small framed box.
QImage bookmarkImage(int n, const QFont& font) {
    QImage image(12, 14, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0, 0, 128));
    p.setBrush(QColor(255, 255, 224));
    p.drawRect(0, 0, image.width() - 1, image.height() - 1);
    QFont f = font;
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(n));
    return image;
}

} // namespace

TSynEdit::TSynEdit(QWidget* parent) : QsciScintilla(parent) {
    configure();
}

TSynEdit::~TSynEdit() {
    if (highlighter_)
        highlighter_->unhookClient(this);
}

long TSynEdit::send(unsigned int msg, unsigned long wParam, long lParam) const {
    return SendScintilla(msg, wParam, lParam);
}

void TSynEdit::configure() {
    setUtf8(true);
    setEolMode(EolUnix);
    const QPalette pal = palette();

    lexer_ = new TSynEditLexer(this);
    // The window colours of the editor's text area: Qt's Text on Base.
    lexer_->setBaseLook(pixelFont(TSynEditLook::FontPixels, logicalDpiY()), pal.color(QPalette::Text), pal.color(QPalette::Base));
    setLexer(lexer_);

    setSelectionBackgroundColor(pal.color(QPalette::Highlight));
    setSelectionForegroundColor(pal.color(QPalette::HighlightedText));

    // The gutter: one band for the bookmarks, no line numbers.
    for (int m = 0; m < 5; ++m) {
        setMarginWidth(m, 0);
        setMarginLineNumbers(m, false);
        setMarginSensitivity(m, false);
    }
    setMarginType(0, SymbolMarginColor);
    setMarginBackgroundColor(0, pal.color(QPalette::Button));
    setMarginWidth(0, TSynEditLook::GutterWidth);
    setMarginMarkerMask(0, (1 << BookmarkCount) - 1);
    setMarginsFont(pixelFont(TSynEditLook::GutterFontPixels, logicalDpiY()));
    setMarginsBackgroundColor(pal.color(QPalette::Button));
    // The bookmarks' marks are drawn with the first bookmark (defineBookmarkMarks).

    setEdgeMode(EdgeLine);
    setEdgeColumn(TSynEditLook::RightEdge);
    setEdgeColor(QColor::fromRgb(TSynEditLook::RightEdgeColour));

    setCaretLineBackgroundColor(QColor::fromRgb(TSynEditLook::ActiveLineBackground));
    setCaretLineVisible(TSynEditLook::ActiveLineVisible);
    setWrapMode(WrapNone);
    send(SCI_SETEXTRAASCENT, 0);
    send(SCI_SETEXTRADESCENT, 0);

    setTabWidth(TSynEditLook::TabWidth);
    setIndentationsUseTabs(false); // typed tabs become spaces
    setIndentationWidth(TSynEditLook::BlockIndent);
    setTabIndents(true);           // smart tabs
    setBackspaceUnindents(true);   // smart tab delete
    setAutoIndent(true);
    setWhitespaceVisibility(WsInvisible);
    setEolVisibility(false);

    // Scrolling: fixed width of the longest line (set when first shown, see showEvent), no scrolling past
    // the last line, bars always there.
    setScrollWidthTracking(false);
    send(SCI_SETENDATLASTLINE, 1);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::StyledPanel);

    // The caret may stand past the end of a line; no column selection with Alt, no multiple selections.
    send(SCI_SETVIRTUALSPACEOPTIONS, SCVS_USERACCESSIBLE);
    send(SCI_SETRECTANGULARSELECTIONMODIFIER, SCMOD_SUPER);
    send(SCI_SETMOUSESELECTIONRECTANGULARSWITCH, 0);
    send(SCI_SETMULTIPLESELECTION, 0);
    send(SCI_USEPOPUP, 0);
    setContextMenuPolicy(Qt::NoContextMenu);
    updateCaretShape();

    // Every key is ours (the table in SynEditKeys); Scintilla's own bindings would differ (Ctrl+Y, Home, ...).
    standardCommands()->clearKeys();
    standardCommands()->clearAlternateKeys();
    send(SCI_CLEARALLCMDKEYS);

    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int, int type, const char*, int, int, int, int, int, int, int) { documentModified(type); });

    connect(verticalScrollBar(), &QAbstractSlider::sliderMoved, this, [this](int value) {
        scrollHint_ = QStringLiteral("Top Line: %1").arg(value + 1);
        QScrollBar* bar = verticalScrollBar();
        QToolTip::showText(bar->mapToGlobal(QPoint(-120, bar->height() / 2)), scrollHint_, this);
    });
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, [this] {
        scrollHint_.clear();
        QToolTip::hideText();
    });
    // A new editor is already in resetView's state; moving its caret would lay out lines (and load
    // every style's font) for a page nobody sees yet.
}

void TSynEdit::updateCaretShape() {
    const bool overwrite = send(SCI_GETOVERTYPE) != 0;
    send(SCI_SETCARETSTYLE, overwrite ? CARETSTYLE_BLOCK : CARETSTYLE_LINE);
}

bool TSynEdit::insertMode() const { return send(SCI_GETOVERTYPE) == 0; }

// ---------------------------------------------------------------- the load operations

void TSynEdit::resetView() {
    send(SCI_SETEMPTYSELECTION, 0);
    send(SCI_GOTOPOS, 0);
    send(SCI_SETFIRSTVISIBLELINE, 0);
    send(SCI_SETXOFFSET, 0);
    send(SCI_EMPTYUNDOBUFFER);
    send(SCI_SETSAVEPOINT);
    undoSteps_ = 0;
    redoSteps_ = 0;
    lineSelecting_ = false;
    mouseSelecting_ = false;
}

// ---------------------------------------------------------------- undo and redo

void TSynEdit::documentModified(int type) {
    if (!(type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT)) || !(type & SC_PERFORMED_USER))
        return;
    // Any change by the user ends what could be redone; the first change of a new undo step counts it.
    redoSteps_ = 0;
    if (type & SC_STARTACTION)
        undoSteps_ = std::min(undoSteps_ + 1, TSynEditLook::UndoLimit);
}

void TSynEdit::undo() {
    lineSelecting_ = false;
    if (!send(SCI_CANUNDO))
        undoSteps_ = 0;
    // Steps older than the newest UndoLimit stay in Scintilla's history but are never undone.
    if (undoSteps_ <= 0)
        return;
    send(SCI_UNDO);
    --undoSteps_;
    ++redoSteps_;
    // The next change starts a step of its own: joined to the step before, it could reach past the limit.
    send(SCI_BEGINUNDOACTION);
    send(SCI_ENDUNDOACTION);
}

void TSynEdit::redo() {
    lineSelecting_ = false;
    if (!send(SCI_CANREDO)) {
        redoSteps_ = 0;
        return;
    }
    send(SCI_REDO);
    redoSteps_ = std::max(redoSteps_ - 1, 0);
    undoSteps_ = std::min(undoSteps_ + 1, TSynEditLook::UndoLimit);
    send(SCI_BEGINUNDOACTION);
    send(SCI_ENDUNDOACTION);
}

void TSynEdit::clearLines() {
    send(SCI_SETUNDOCOLLECTION, 0);
    send(SCI_MARKERDELETEALL, static_cast<unsigned long>(-1));
    marks_ = {};
    send(SCI_CLEARALL);
    send(SCI_SETUNDOCOLLECTION, 1);
    resetView();
}

void TSynEdit::setHighlighter(TSynCustomHighlighter* highlighter) {
    if (highlighter == highlighter_)
        return;
    if (highlighter_)
        highlighter_->unhookClient(this);
    highlighter_ = highlighter;
    if (highlighter_)
        highlighter_->hookClient(this);
    lexer_->setHighlighter(highlighter_);
    restyle();
}

void TSynEdit::restyle() {
    // Styling is redone lazily from the top as lines are shown.
    send(SCI_STARTSTYLING, 0, 0);
    viewport()->update();
}

void TSynEdit::loadFromFile(const QString& path) {
    QByteArray bytes;
    try {
        bytes = sourcetext::readFile(path);
    } catch (const Error&) {
        clearLines(); // a failed load leaves the editor empty
        throw;
    }
    loadFromBytes(bytes);
}

void TSynEdit::loadFromBytes(QByteArrayView bytes) {
    const QByteArray utf8 = sourcetext::decodeLines(bytes).toUtf8();
    clearLines();
    send(SCI_SETUNDOCOLLECTION, 0);
    send(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), reinterpret_cast<long>(utf8.constData()));
    send(SCI_SETUNDOCOLLECTION, 1);
    resetView();
}

void TSynEdit::highlighterAttributesChanged(TSynCustomHighlighter* highlighter) {
    if (highlighter != highlighter_)
        return;
    lexer_->refreshStyles();
    viewport()->update();
}

void TSynEdit::highlighterDestroyed(TSynCustomHighlighter* highlighter) {
    if (highlighter != highlighter_)
        return;
    highlighter_ = nullptr;
    lexer_->setHighlighter(nullptr);
    restyle();
}

// ---------------------------------------------------------------- lines and caret

int TSynEdit::lineCount() const { return static_cast<int>(send(SCI_GETLINECOUNT)); }

QString TSynEdit::lineText(int line) const {
    if (line < 0 || line >= lineCount())
        return {};
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const char* p = reinterpret_cast<const char*>(
        send(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), end - start));
    return QString::fromUtf8(p, end - start);
}

QByteArray TSynEdit::lineBytes(int line) const { return gbk::encode(lineText(line)); }

QList<QByteArray> TSynEdit::Lines() const {
    QList<QByteArray> out;
    const int n = lineCount();
    // An empty editor has no lines, although Scintilla always shows one.
    if (n == 1 && send(SCI_GETLENGTH) == 0)
        return out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(lineBytes(i));
    return out;
}

int TSynEdit::caretLine() const {
    return static_cast<int>(send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(send(SCI_GETCURRENTPOS))));
}

int TSynEdit::caretColumn() const {
    const long pos = send(SCI_GETCURRENTPOS);
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(caretLine()));
    const long chars = send(SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), pos);
    const long main = send(SCI_GETMAINSELECTION);
    return static_cast<int>(chars + send(SCI_GETSELECTIONNCARETVIRTUALSPACE, static_cast<unsigned long>(main)));
}

void TSynEdit::setCaret(int line, int column) {
    line = std::clamp(line, 0, lineCount() - 1);
    column = std::clamp(column, 0, TSynEditLook::MaxScrollWidth);
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const long lineChars = send(SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), end);
    const long chars = std::min<long>(column, lineChars);
    const long pos = send(SCI_POSITIONRELATIVE, static_cast<unsigned long>(start), chars);
    send(SCI_GOTOPOS, static_cast<unsigned long>(pos));
    if (column > lineChars) {
        send(SCI_SETSELECTIONNCARETVIRTUALSPACE, 0, column - lineChars);
        send(SCI_SETSELECTIONNANCHORVIRTUALSPACE, 0, column - lineChars);
    }
    send(SCI_CHOOSECARETX); // later moves up and down keep this column
    send(SCI_SCROLLCARET);
}

// ---------------------------------------------------------------- bookmarks

bool TSynEdit::bookmark(int n, int* line, int* column) const {
    if (n < 0 || n >= BookmarkCount || marks_[static_cast<size_t>(n)].handle < 0)
        return false;
    const long l = send(SCI_MARKERLINEFROMHANDLE, static_cast<unsigned long>(marks_[static_cast<size_t>(n)].handle));
    if (l < 0)
        return false;
    if (line)
        *line = static_cast<int>(l);
    if (column)
        *column = marks_[static_cast<size_t>(n)].column;
    return true;
}

void TSynEdit::defineBookmarkMarks() {
    if (marksDefined_)
        return;
    marksDefined_ = true;
    const QFont font = pixelFont(TSynEditLook::GutterFontPixels, logicalDpiY());
    for (int n = 0; n < BookmarkCount; ++n)
        markerDefine(bookmarkImage(n, font), n);
}

void TSynEdit::showEvent(QShowEvent* event) {
    // Measuring the text realises every style's font, which a hidden editor need not pay at start-up.
    if (!scrollWidthSet_) {
        scrollWidthSet_ = true;
        const long charWidth = send(SCI_TEXTWIDTH, TSynEditLexer::kPlainStyle, reinterpret_cast<long>("X"));
        setScrollWidth(static_cast<int>(charWidth * TSynEditLook::MaxScrollWidth));
    }
    QsciScintilla::showEvent(event);
}

void TSynEdit::toggleBookmark(int n) {
    if (n < 0 || n >= BookmarkCount)
        return;
    defineBookmarkMarks();
    Mark& mark = marks_[static_cast<size_t>(n)];
    const int line = caretLine();
    int markLine = -1;
    if (bookmark(n, &markLine, nullptr)) {
        send(SCI_MARKERDELETEHANDLE, static_cast<unsigned long>(mark.handle));
        mark = {};
        if (markLine == line)
            return; // the same key on the bookmark's line clears it
    }
    mark.handle = static_cast<int>(send(SCI_MARKERADD, static_cast<unsigned long>(line), n));
    mark.column = caretColumn();
}

void TSynEdit::gotoBookmark(int n) {
    int line = 0, column = 0;
    if (bookmark(n, &line, &column))
        setCaret(line, column);
}

// ---------------------------------------------------------------- keys

bool TSynEdit::focusNextPrevChild(bool next) {
    // Tab moves the keyboard focus on, as in any dialog.
    return QWidget::focusNextPrevChild(next);
}

void TSynEdit::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

void TSynEdit::keyPressEvent(QKeyEvent* e) {
    const auto key = static_cast<Qt::Key>(e->key());
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        e->ignore(); // never typed into the text
        return;
    }
    bool extend = false;
    if (const TKeyBinding* b = editorkeys::find(key, e->modifiers(), &extend)) {
        executeCommand(b->command, extend, b->bookmark);
        e->accept();
        return;
    }
    // Keys with Ctrl or Alt that the table does not name do nothing; everything else is typed text.
    if ((e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && !(e->modifiers() & Qt::KeypadModifier)) {
        e->accept();
        return;
    }
    QsciScintilla::keyPressEvent(e);
}

void TSynEdit::executeCommand(TEditorCommand command, bool extend, int bookmark) {
    if (isMove(command)) {
        move(command, extend);
        return;
    }
    lineSelecting_ = false;
    for (const SimpleCommand& s : kSimple) {
        if (s.command == command) {
            send(s.message);
            return;
        }
    }
    switch (command) {
    case TEditorCommand::ScrollUp:
    case TEditorCommand::ScrollDown:
        // Scintilla's own line scroll pulls the caret into view; this one leaves it where it is.
        send(SCI_LINESCROLL, 0, command == TEditorCommand::ScrollUp ? -1 : 1);
        break;
    case TEditorCommand::Undo: undo(); break;
    case TEditorCommand::Redo: redo(); break;
    case TEditorCommand::ToggleMode:
        send(SCI_SETOVERTYPE, send(SCI_GETOVERTYPE) ? 0 : 1);
        updateCaretShape();
        break;
    case TEditorCommand::InsertLine: insertLineKeepingCaret(); break;
    case TEditorCommand::BlockIndent: blockIndent(true); break;
    case TEditorCommand::BlockUnindent: blockIndent(false); break;
    case TEditorCommand::NormalSelect: selectionMode_ = TSelectionMode::Normal; break;
    case TEditorCommand::ColumnSelect: selectionMode_ = TSelectionMode::Column; break;
    case TEditorCommand::LineSelect: selectionMode_ = TSelectionMode::Line; break;
    case TEditorCommand::MatchBracket: matchBracket(); break;
    case TEditorCommand::SetBookmark: toggleBookmark(bookmark); break;
    case TEditorCommand::GotoBookmark: gotoBookmark(bookmark); break;
    default: break;
    }
}

int TSynEdit::enhancedEndTarget() const {
    const int line = caretLine();
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    long lastNonBlank = end;
    while (lastNonBlank > start) {
        const long c = send(SCI_GETCHARAT, static_cast<unsigned long>(lastNonBlank - 1));
        if (c != ' ' && c != '\t')
            break;
        --lastNonBlank;
    }
    const long pos = send(SCI_GETCURRENTPOS);
    const long virt = send(SCI_GETSELECTIONNCARETVIRTUALSPACE, static_cast<unsigned long>(send(SCI_GETMAINSELECTION)));
    // The first press goes behind the last non-blank character, the next to the line end.
    return static_cast<int>((pos == lastNonBlank && virt == 0) ? end : lastNonBlank);
}

int TSynEdit::pageEdgeTarget(bool bottom) const {
    const long first = send(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(send(SCI_GETFIRSTVISIBLELINE)));
    long line = first;
    if (bottom)
        line = std::min<long>(first + std::max<long>(send(SCI_LINESONSCREEN), 1) - 1, lineCount() - 1);
    const long column = send(SCI_GETCOLUMN, static_cast<unsigned long>(send(SCI_GETCURRENTPOS)));
    return static_cast<int>(send(SCI_FINDCOLUMN, static_cast<unsigned long>(line), column));
}

int TSynEdit::plainMove(TEditorCommand command) {
    if (const MoveMessages* m = moveMessages(command)) {
        send(m->plain);
    } else {
        int target = 0;
        if (command == TEditorCommand::LineEnd)
            target = enhancedEndTarget();
        else
            target = pageEdgeTarget(command == TEditorCommand::PageBottom);
        send(SCI_GOTOPOS, static_cast<unsigned long>(target));
        if (command == TEditorCommand::LineEnd)
            send(SCI_CHOOSECARETX);
    }
    return static_cast<int>(send(SCI_GETCURRENTPOS));
}

void TSynEdit::move(TEditorCommand command, bool extend) {
    // The caret goes past the end of a line, but not past the longest scrollable line.
    if (command == TEditorCommand::Right && caretColumn() >= TSynEditLook::MaxScrollWidth &&
        send(SCI_GETCURRENTPOS) == send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(caretLine())))
        return;
    if (!extend) {
        lineSelecting_ = false;
        plainMove(command);
        return;
    }
    switch (selectionMode_) {
    case TSelectionMode::Normal: {
        lineSelecting_ = false;
        if (const MoveMessages* m = moveMessages(command)) {
            send(m->extend);
        } else {
            const long anchor = send(SCI_GETANCHOR);
            const int target = plainMove(command);
            send(SCI_SETSEL, static_cast<unsigned long>(anchor), target);
        }
        break;
    }
    case TSelectionMode::Column: {
        lineSelecting_ = false;
        const bool rect = send(SCI_SELECTIONISRECTANGLE) != 0;
        const long anchor = rect ? send(SCI_GETRECTANGULARSELECTIONANCHOR) : send(SCI_GETCURRENTPOS);
        // Scintilla's moves would first drop the selection onto one of its ends: start from the caret itself.
        send(SCI_GOTOPOS, static_cast<unsigned long>(rect ? send(SCI_GETRECTANGULARSELECTIONCARET) : anchor));
        const int target = plainMove(command);
        send(SCI_SETRECTANGULARSELECTIONANCHOR, static_cast<unsigned long>(anchor));
        send(SCI_SETRECTANGULARSELECTIONCARET, static_cast<unsigned long>(target));
        break;
    }
    case TSelectionMode::Line: {
        if (!lineSelecting_) {
            lineAnchor_ = static_cast<int>(send(SCI_GETCURRENTPOS));
            lineCaret_ = lineAnchor_;
        }
        send(SCI_GOTOPOS, static_cast<unsigned long>(lineCaret_));
        lineCaret_ = plainMove(command);
        selectLines(lineAnchor_, lineCaret_);
        break;
    }
    }
}

void TSynEdit::selectLines(long anchorPos, long caretPos) {
    lineAnchor_ = static_cast<int>(anchorPos);
    lineCaret_ = static_cast<int>(caretPos);
    lineSelecting_ = true;
    const long a = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(anchorPos));
    const long c = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caretPos));
    const long first = std::min(a, c), last = std::max(a, c);
    const long from = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(first));
    const long to = last + 1 < lineCount() ? send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(last + 1))
                                           : send(SCI_GETLENGTH);
    if (c >= a)
        send(SCI_SETSEL, static_cast<unsigned long>(from), to);
    else
        send(SCI_SETSEL, static_cast<unsigned long>(to), from);
}

// ---------------------------------------------------------------- mouse and wheel

void TSynEdit::wheelEvent(QWheelEvent* e) {
    // Ctrl with the wheel scrolls (by pages, as the scroll bar does); it never zooms the text.
    if (e->modifiers() & Qt::ControlModifier) {
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    QsciScintilla::wheelEvent(e);
}

TSynEdit::Place TSynEdit::placeAt(const QPointF& point) const {
    // Lines below or above the view count on, so that a drag beyond the text area reaches further lines.
    const long height = std::max<long>(send(SCI_TEXTHEIGHT, 0), 1);
    const long visible = send(SCI_GETFIRSTVISIBLELINE) + static_cast<long>(std::floor(point.y() / double(height)));
    const long line = std::clamp<long>(send(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(std::max(0L, visible))),
                                       0, lineCount() - 1);
    const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const long y = send(SCI_POINTYFROMPOSITION, 0, start);
    Place place;
    place.pos = send(SCI_POSITIONFROMPOINT, static_cast<unsigned long>(std::max(0.0, point.x())), y);
    if (place.pos < start || place.pos > end)
        place.pos = point.x() <= send(SCI_POINTXFROMPOSITION, 0, start) ? start : end;
    if (place.pos == end) {
        // Past the end of the line the caret stands in virtual space, whole columns from the line end.
        const long endX = send(SCI_POINTXFROMPOSITION, 0, end);
        const long space = std::max<long>(send(SCI_TEXTWIDTH, TSynEditLexer::kPlainStyle, reinterpret_cast<long>(" ")), 1);
        if (point.x() > endX)
            place.virtualSpace = std::min<long>(static_cast<long>((point.x() - endX) / space + 0.5),
                                                TSynEditLook::MaxScrollWidth);
    }
    return place;
}

bool TSynEdit::inSelection(long pos) const {
    const long n = send(SCI_GETSELECTIONS);
    for (long i = 0; i < n; ++i) {
        const long from = send(SCI_GETSELECTIONNSTART, static_cast<unsigned long>(i));
        const long to = send(SCI_GETSELECTIONNEND, static_cast<unsigned long>(i));
        if (from < to && pos >= from && pos < to)
            return true;
    }
    return false;
}

void TSynEdit::selectByMouse(const QPointF& point) {
    const Place caret = placeAt(point);
    if (caret.pos == mouseAnchor_.pos && caret.virtualSpace == mouseAnchor_.virtualSpace) {
        // Back where the press was (or never moved): a caret, no selection, as a click gives.
        lineSelecting_ = false;
        send(SCI_SETEMPTYSELECTION, static_cast<unsigned long>(caret.pos));
        send(SCI_SETSELECTIONNCARETVIRTUALSPACE, 0, caret.virtualSpace);
        send(SCI_SETSELECTIONNANCHORVIRTUALSPACE, 0, caret.virtualSpace);
    } else if (selectionMode_ == TSelectionMode::Line) {
        selectLines(mouseAnchor_.pos, caret.pos);
    } else {
        lineSelecting_ = false;
        send(SCI_SETRECTANGULARSELECTIONANCHOR, static_cast<unsigned long>(mouseAnchor_.pos));
        send(SCI_SETRECTANGULARSELECTIONANCHORVIRTUALSPACE, static_cast<unsigned long>(mouseAnchor_.virtualSpace));
        send(SCI_SETRECTANGULARSELECTIONCARET, static_cast<unsigned long>(caret.pos));
        send(SCI_SETRECTANGULARSELECTIONCARETVIRTUALSPACE, static_cast<unsigned long>(caret.virtualSpace));
    }
    send(SCI_CHOOSECARETX); // Shift with Up and Down goes on from the column the mouse reached
    send(SCI_SCROLLCARET);
}

void TSynEdit::mousePressEvent(QMouseEvent* e) {
    long margins = 0;
    for (int m = 0; m < 5; ++m)
        margins += send(SCI_GETMARGINWIDTHN, static_cast<unsigned long>(m));
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool inText = e->position().x() >= margins;
    // In column and line mode a drag selects a block or whole lines, as Shift with the keys does. A press on
    // the selection is left to the editor, which drags the selected text.
    const bool modeSelect = e->button() == Qt::LeftButton && selectionMode_ != TSelectionMode::Normal && inText &&
                            (shift || !inSelection(placeAt(e->position()).pos));
    Place anchor;
    if (modeSelect && shift) {
        if (selectionMode_ == TSelectionMode::Line && lineSelecting_) {
            anchor.pos = lineAnchor_;
        } else if (send(SCI_SELECTIONISRECTANGLE)) {
            anchor.pos = send(SCI_GETRECTANGULARSELECTIONANCHOR);
            anchor.virtualSpace = send(SCI_GETRECTANGULARSELECTIONANCHORVIRTUALSPACE);
        } else {
            anchor.pos = send(SCI_GETANCHOR);
            anchor.virtualSpace = send(SCI_GETSELECTIONNANCHORVIRTUALSPACE, static_cast<unsigned long>(send(SCI_GETMAINSELECTION)));
        }
    }
    QsciScintilla::mousePressEvent(e);
    if (!modeSelect)
        return;
    // The editor's own drag ends here, so that it neither selects nor scrolls by itself while the mouse moves.
    QMouseEvent up(QEvent::MouseButtonRelease, e->position(), e->globalPosition(), Qt::LeftButton, Qt::NoButton,
                   e->modifiers());
    QsciScintilla::mouseReleaseEvent(&up);
    if (!shift)
        anchor = placeAt(e->position());
    mouseAnchor_ = anchor;
    mouseSelecting_ = true;
    selectByMouse(e->position());
}

void TSynEdit::mouseMoveEvent(QMouseEvent* e) {
    if (mouseSelecting_ && (e->buttons() & Qt::LeftButton)) {
        selectByMouse(e->position());
        e->accept();
        return;
    }
    QsciScintilla::mouseMoveEvent(e);
}

void TSynEdit::mouseReleaseEvent(QMouseEvent* e) {
    if (mouseSelecting_ && e->button() == Qt::LeftButton) {
        mouseSelecting_ = false;
        selectByMouse(e->position());
        e->accept();
        return;
    }
    QsciScintilla::mouseReleaseEvent(e);
}

void TSynEdit::insertLineKeepingCaret() {
    send(SCI_BEGINUNDOACTION);
    send(SCI_REPLACESEL, 0, reinterpret_cast<long>(""));
    // Text inserted at the caret leaves the caret where it is.
    send(SCI_INSERTTEXT, static_cast<unsigned long>(send(SCI_GETCURRENTPOS)), reinterpret_cast<long>("\n"));
    send(SCI_ENDUNDOACTION);
}

void TSynEdit::blockIndent(bool indent) {
    const long anchor = send(SCI_GETANCHOR);
    const long caret = send(SCI_GETCURRENTPOS);
    const long selStart = std::min(anchor, caret);
    const long selEnd = std::max(anchor, caret);
    const long first = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(selStart));
    long last = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(selEnd));
    // A selection ending at the start of a line does not take that line.
    if (last > first && send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(last)) == selEnd)
        --last;
    // Anchor and caret as line and offset, to be put back shifted with their lines.
    struct LinePos {
        long line, offset;
    };
    const auto toLinePos = [&](long pos) {
        const long line = send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
        return LinePos{line, pos - send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line))};
    };
    LinePos a = toLinePos(anchor), c = toLinePos(caret);
    const QByteArray blanks(TSynEditLook::BlockIndent, ' ');
    send(SCI_BEGINUNDOACTION);
    for (long line = first; line <= last; ++line) {
        const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        long delta = 0;
        if (indent) {
            send(SCI_INSERTTEXT, static_cast<unsigned long>(start), reinterpret_cast<long>(blanks.constData()));
            delta = TSynEditLook::BlockIndent;
        } else {
            const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
            long n = 0;
            while (n < TSynEditLook::BlockIndent && start + n < end &&
                   send(SCI_GETCHARAT, static_cast<unsigned long>(start + n)) == ' ')
                ++n;
            if (n == 0 && start < end && send(SCI_GETCHARAT, static_cast<unsigned long>(start)) == '\t')
                n = 1;
            if (n > 0)
                send(SCI_DELETERANGE, static_cast<unsigned long>(start), n);
            delta = -n;
        }
        // A position at a line start stays there, so that the whole line stays selected.
        for (LinePos* p : {&a, &c})
            if (p->line == line && p->offset > 0)
                p->offset = std::max(0L, p->offset + delta);
    }
    send(SCI_ENDUNDOACTION);
    const auto toPos = [&](const LinePos& p) {
        const long start = send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(p.line));
        const long end = send(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(p.line));
        return std::min(start + p.offset, end);
    };
    send(SCI_SETSEL, static_cast<unsigned long>(toPos(a)), toPos(c));
}

void TSynEdit::matchBracket() {
    const long pos = send(SCI_GETCURRENTPOS);
    long match = send(SCI_BRACEMATCH, static_cast<unsigned long>(pos), 0);
    if (match < 0 && pos > 0)
        match = send(SCI_BRACEMATCH, static_cast<unsigned long>(pos - 1), 0);
    if (match >= 0)
        send(SCI_GOTOPOS, static_cast<unsigned long>(match));
}
