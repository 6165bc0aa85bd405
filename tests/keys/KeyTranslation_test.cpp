// Qt key events as the key paths see them: virtual key and modifiers, the
// characters a key types, and the key sequences a binding triggers on.

#include "keys/Modifiers.h"
#include "platform/KeyTranslation.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace lemnar::test {
namespace {

struct TEventCase {
    const char* Label;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Text;
    int VirtualKey; // Windows virtual-key code
    int Held;       // 1 Shift, 2 Ctrl, 4 Alt
    std::u32string Typed;
};

TEST(KeyTranslation, EventsBecomeVirtualKeysAndTypedCharacters) {
    const std::vector<TEventCase> cases = {
        {"F1", Qt::Key_F1, None, "", 0x70, 0, U""},
        {"F12", Qt::Key_F12, None, "", 0x7B, 0, U""},
        {"Alt+A", Qt::Key_A, Alt, "a", 0x41, 4, U""},
        {"Alt+Z", Qt::Key_Z, Alt, "z", 0x5A, 4, U""},
        {"a", Qt::Key_A, None, "a", 0x41, 0, U"a"},
        {"Shift+Tab as Backtab", Qt::Key_Backtab, Shift, "", 0x09, 1, U""},
        {"Backtab without Shift", Qt::Key_Backtab, None, "", 0x09, 1, U""},
        {"Enter", Qt::Key_Return, None, "\r", 0x0D, 0, U"\r"},
        {"keypad Enter", Qt::Key_Enter, Keypad, "\r", 0x0D, 0, U"\r"},
        {"Ctrl+Enter", Qt::Key_Return, Ctrl, "\r", 0x0D, 2, U"\n"},
        {"Backspace", Qt::Key_Backspace, None, "\b", 0x08, 0, U"\b"},
        {"Ctrl+Backspace", Qt::Key_Backspace, Ctrl, "\b", 0x08, 2, U"\x7F"},
        {"Delete", Qt::Key_Delete, None, "\x7F", 0x2E, 0, U""},
        {"Print", Qt::Key_Print, None, "", 0x2C, 0, U""},
        {"SysReq", Qt::Key_SysReq, Alt, "", 0x2C, 4, U""},
        {"PgUp", Qt::Key_PageUp, None, "", 0x21, 0, U""},
        {"keypad Up, Num Lock off", Qt::Key_Up, Keypad, "", 0x26, 0, U""},
        {"main minus", Qt::Key_Minus, None, "-", 0xBD, 0, U"-"},
        {"Ctrl+main minus", Qt::Key_Minus, Ctrl, "-", 0xBD, 2, U""},
        {"Ctrl+underscore", Qt::Key_Underscore, Ctrl | Shift, "\x1F", 0xBD, 3, U"\x1F"},
        {"keypad minus", Qt::Key_Minus, Keypad, "-", 0x6D, 0, U"-"},
        {"keypad plus", Qt::Key_Plus, Keypad, "+", 0x6B, 0, U"+"},
        {"keypad star", Qt::Key_Asterisk, Keypad, "*", 0x6A, 0, U"*"},
        {"keypad 5", Qt::Key_5, Keypad, "5", 0x65, 0, U"5"},
        {"keypad 5, Num Lock off", Qt::Key_Clear, Keypad, "", 0x0C, 0, U""},
        {"main 5", Qt::Key_5, None, "5", 0x00, 0, U"5"},
        {"Ctrl+Alt+keypad minus", Qt::Key_Minus, Keypad | Ctrl | Alt, "-", 0x6D, 6, U""},
        {"Ctrl+A without text", Qt::Key_A, Ctrl, "", 0x41, 2, U"\x01"},
        {"Ctrl+Shift+Z", Qt::Key_Z, Ctrl | Shift, "Z", 0x5A, 3, U"\x1A"},
        {"Ctrl+1", Qt::Key_1, Ctrl, "1", 0x00, 2, U""},
        {"Cyrillic", 0x0416, None, "ж", 0x00, 0, U"ж"},
    };
    for (const TEventCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const QKeyEvent event(QEvent::KeyPress, c.Key, c.Modifiers, QString::fromUtf8(c.Text));
        const TKeyEventInfo info = TranslateKeyEvent(event);
        EXPECT_EQ(static_cast<int>(info.VirtualKey), c.VirtualKey);
        EXPECT_EQ(static_cast<int>(info.Modifiers), c.Held);
        EXPECT_EQ(TypedCharacters(event), c.Typed);
    }
}

TEST(KeyTranslation, ShortcutsBecomeTheKeySequencesQtReports) {
    struct TCase {
        TShortcut Shortcut;
        QStringList Sequences; // portable text
    };
    const std::vector<TCase> cases = {
        {{0x70, TModifiers::None}, {"F1"}},
        {{0x73, TModifiers::Alt}, {"Alt+F4"}},
        {{0x41, TModifiers::Alt}, {"Alt+A"}},
        {{0x09, TModifiers::Shift}, {"Shift+Backtab", "Shift+Tab"}},
        {{0x09, TModifiers::Ctrl}, {"Ctrl+Tab"}},
        {{0x0D, TModifiers::None}, {"Return", "Enter"}},
        {{0x0D, TModifiers::Shift}, {"Shift+Return", "Shift+Enter"}},
        {{0x08, TModifiers::Alt}, {"Alt+Backspace"}},
        {{0x2C, TModifiers::Shift}, {"Shift+Print", "Shift+SysReq"}},
        {{0xBD, TModifiers::Ctrl}, {"Ctrl+-"}},
        {{0x22, TModifiers::Ctrl}, {"Ctrl+PgDown"}},
        {{0x2D, TModifiers::None}, {"Ins"}},
        {{0x1B, TModifiers::None}, {"Esc"}},
        {{0x00, TModifiers::None}, {}},
    };
    for (const TCase& c : cases) {
        QStringList got;
        for (const QKeySequence& sequence : ShortcutKeys(c.Shortcut))
            got.append(sequence.toString(QKeySequence::PortableText));
        EXPECT_EQ(got, c.Sequences) << static_cast<int>(c.Shortcut.Key);
    }
}

TEST(KeyTranslation, TypedCharactersHaveTheirCodePage1251Bytes) {
    EXPECT_EQ(UnicodeToKeyByte(U'a'), 0x61);
    EXPECT_EQ(UnicodeToKeyByte(U'\x7F'), 0x7F);
    EXPECT_EQ(UnicodeToKeyByte(U'А'), 0xC0);
    EXPECT_EQ(UnicodeToKeyByte(U'я'), 0xFF);
    EXPECT_EQ(UnicodeToKeyByte(U'Ё'), 0xA8);
    // Characters that code page 1251 lacks are typed as '?'.
    EXPECT_EQ(UnicodeToKeyByte(U'α'), '?');
    EXPECT_EQ(UnicodeToKeyByte(U'中'), '?');
    EXPECT_EQ(UnicodeToKeyByte(U'\U0001F600'), '?');
    EXPECT_EQ(UnicodeToKeyByte(char32_t{0x98}), '?'); // the one byte 1251 leaves unassigned
}

} // namespace
} // namespace lemnar::test
