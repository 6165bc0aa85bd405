#pragma once
// Qt key events as the key maps see them: a virtual-key code and the held
// modifiers, the key sequences on which a binding's action triggers, and the
// characters that a key types.

#include "keyboard/VirtualKey.h"

#include <QKeySequence>
#include <QList>
#include <cstdint>
#include <string>

class QKeyEvent;

namespace lemnar {

struct TKeyEventInfo {
    TVirtualKey VirtualKey = VkNone;
    TModifiers Modifiers = TModifiers::None;
};

// VkNone for keys that no map or keypad code names (modifiers alone, digits).
TKeyEventInfo TranslateKeyEvent(const QKeyEvent& event);

// The key sequences that Qt reports for a shortcut, empty for a binding
// without a key. Enter counts on both Enter keys; Shift+Tab also as Backtab.
QList<QKeySequence> ShortcutKeys(TShortcut shortcut);

// The characters a key press types, as the classic key-press path sees them:
// Ctrl+letter is the control byte 1..26, Ctrl+Backspace 127 and Ctrl+Enter 10
// whatever text the platform attached; Alt, alone or with Ctrl, types
// nothing; Delete types nothing (its DEL text is not a typed character).
std::u32string TypedCharacters(const QKeyEvent& event);

// The code page 1251 byte typed for a character; '?' for a character that
// code page 1251 lacks, so that the user sees that something arrived.
std::uint8_t UnicodeToKeyByte(char32_t ch);

} // namespace lemnar
