#include "source/SynEditKeys.h"

#include <vector>

namespace {

using C = TEditorCommand;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAltShift = Qt::AltModifier | Qt::ShiftModifier;

const TKeyBinding kFixed[] = {
    {Qt::Key_Left, kNone, C::Left, 0},
    {Qt::Key_Right, kNone, C::Right, 0},
    {Qt::Key_Up, kNone, C::Up, 0},
    {Qt::Key_Down, kNone, C::Down, 0},
    {Qt::Key_Left, kCtrl, C::WordLeft, 0},
    {Qt::Key_Right, kCtrl, C::WordRight, 0},
    {Qt::Key_Home, kNone, C::LineStart, 0},
    {Qt::Key_End, kNone, C::LineEnd, 0},
    {Qt::Key_PageUp, kNone, C::PageUp, 0},
    {Qt::Key_PageDown, kNone, C::PageDown, 0},
    {Qt::Key_PageUp, kCtrl, C::PageTop, 0},
    {Qt::Key_PageDown, kCtrl, C::PageBottom, 0},
    {Qt::Key_Home, kCtrl, C::EditorTop, 0},
    {Qt::Key_End, kCtrl, C::EditorBottom, 0},
    {Qt::Key_Up, kCtrl, C::ScrollUp, 0},
    {Qt::Key_Down, kCtrl, C::ScrollDown, 0},
    {Qt::Key_Insert, kNone, C::ToggleMode, 0},
    {Qt::Key_Delete, kNone, C::DeleteChar, 0},
    {Qt::Key_Backspace, kNone, C::DeleteLastChar, 0},
    {Qt::Key_Backspace, kShift, C::DeleteLastChar, 0},
    {Qt::Key_Backspace, kCtrl, C::DeleteLastWord, 0},
    {Qt::Key_T, kCtrl, C::DeleteWord, 0},
    {Qt::Key_Y, kCtrl, C::DeleteLine, 0},
    {Qt::Key_Y, kCtrlShift, C::DeleteEOL, 0},
    {Qt::Key_Return, kNone, C::LineBreak, 0},
    {Qt::Key_Enter, kNone, C::LineBreak, 0},
    {Qt::Key_Return, kShift, C::LineBreak, 0},
    {Qt::Key_Enter, kShift, C::LineBreak, 0},
    {Qt::Key_M, kCtrl, C::LineBreak, 0},
    {Qt::Key_N, kCtrl, C::InsertLine, 0},
    {Qt::Key_Z, kCtrl, C::Undo, 0},
    {Qt::Key_Backspace, kAlt, C::Undo, 0},
    {Qt::Key_Z, kCtrlShift, C::Redo, 0},
    {Qt::Key_Backspace, kAltShift, C::Redo, 0},
    {Qt::Key_A, kCtrl, C::SelectAll, 0},
    {Qt::Key_C, kCtrl, C::Copy, 0},
    {Qt::Key_Insert, kCtrl, C::Copy, 0},
    {Qt::Key_X, kCtrl, C::Cut, 0},
    {Qt::Key_Delete, kShift, C::Cut, 0},
    {Qt::Key_V, kCtrl, C::Paste, 0},
    {Qt::Key_Insert, kShift, C::Paste, 0},
    {Qt::Key_I, kCtrlShift, C::BlockIndent, 0},
    {Qt::Key_U, kCtrlShift, C::BlockUnindent, 0},
    {Qt::Key_N, kCtrlShift, C::NormalSelect, 0},
    {Qt::Key_C, kCtrlShift, C::ColumnSelect, 0},
    {Qt::Key_L, kCtrlShift, C::LineSelect, 0},
    {Qt::Key_B, kCtrlShift, C::MatchBracket, 0},
};

// With Shift held a digit key arrives as the symbol above it on the usual layout.
constexpr Qt::Key kShiftedDigits[10] = {Qt::Key_ParenRight, Qt::Key_Exclam,     Qt::Key_At,        Qt::Key_NumberSign,
                                        Qt::Key_Dollar,     Qt::Key_Percent,    Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                                        Qt::Key_Asterisk,   Qt::Key_ParenLeft};

std::vector<TKeyBinding> buildTable() {
    std::vector<TKeyBinding> t(std::begin(kFixed), std::end(kFixed));
    for (int n = 0; n < 10; ++n) {
        const auto digit = static_cast<Qt::Key>(Qt::Key_0 + n);
        t.push_back({digit, kCtrlShift, C::SetBookmark, n});
        t.push_back({kShiftedDigits[n], kCtrlShift, C::SetBookmark, n});
        t.push_back({digit, kCtrl, C::GotoBookmark, n});
    }
    return t;
}

const std::vector<TKeyBinding>& allBindings() {
    static const std::vector<TKeyBinding> table = buildTable();
    return table;
}

// Keypad and meta bits play no part in the match.
Qt::KeyboardModifiers relevant(Qt::KeyboardModifiers m) {
    return m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

} // namespace

namespace editorkeys {

const TKeyBinding* table(std::size_t* count) {
    *count = allBindings().size();
    return allBindings().data();
}

const TKeyBinding* find(Qt::Key key, Qt::KeyboardModifiers modifiers, bool* extend) {
    const Qt::KeyboardModifiers m = relevant(modifiers);
    *extend = false;
    for (const TKeyBinding& b : allBindings())
        if (b.key == key && b.modifiers == m)
            return &b;
    if (m & Qt::ShiftModifier) {
        const Qt::KeyboardModifiers base = m & ~Qt::KeyboardModifiers(Qt::ShiftModifier);
        for (const TKeyBinding& b : allBindings())
            if (b.key == key && b.modifiers == base && isMove(b.command)) {
                *extend = true;
                return &b;
            }
    }
    return nullptr;
}

} // namespace editorkeys
