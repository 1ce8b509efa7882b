#pragma once
// The editor's standard key set: which key does what. Moves also work with Shift held, extending the selection.
#include <Qt>

#include <cstddef>

enum class TEditorCommand {
    Left, Right, Up, Down, WordLeft, WordRight, LineStart, LineEnd, PageUp, PageDown, PageTop, PageBottom,
    EditorTop, EditorBottom,                // the moves (Shift extends the selection)
    ScrollUp, ScrollDown, ToggleMode, DeleteChar, DeleteLastChar, DeleteLastWord, DeleteWord, DeleteLine,
    DeleteEOL, LineBreak, InsertLine, Undo, Redo, SelectAll, Copy, Cut, Paste, BlockIndent, BlockUnindent,
    NormalSelect, ColumnSelect, LineSelect, MatchBracket, SetBookmark, GotoBookmark
};

constexpr bool isMove(TEditorCommand c) { return c <= TEditorCommand::EditorBottom; }

struct TKeyBinding {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    TEditorCommand command;
    int bookmark; // for the bookmark commands
};

namespace editorkeys {

// The table itself; the bookmark keys for 0..9 are among its entries.
const TKeyBinding* table(std::size_t* count);

// The binding for a key press, or null. A move pressed with Shift added is found too (*extend set).
const TKeyBinding* find(Qt::Key key, Qt::KeyboardModifiers modifiers, bool* extend);

} // namespace editorkeys
