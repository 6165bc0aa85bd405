// The paths below the key maps: the QNX keypad codes of the key-down path,
// typed characters through code page 1251 and the 866 table, control bytes,
// and what is held back while the host prompt or the help window is shown.

#include "keys/KeySession.h"
#include "keys/Modifiers.h"

#include "shell/HelpForm.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace lemnar::test {
namespace {

struct TPressCase {
    const char* Label;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Text; // the character the platform attaches; nullptr: Qt's own
    std::string Bytes;
};

void Press(QWidget* target, const TPressCase& c) {
    if (c.Text == nullptr)
        QTest::keyClick(target, c.Key, c.Modifiers);
    else
        QTest::sendKeyEvent(QTest::Click, target, c.Key, QString::fromUtf8(c.Text), c.Modifiers);
}

void ExpectSent(const char* type, const std::vector<TPressCase>& cases) {
    TKeySession session(type);
    ASSERT_TRUE(session.Ready());
    for (const TPressCase& c : cases) {
        SCOPED_TRACE(std::string(type) + ": " + c.Label);
        EXPECT_EQ(Hex(session.Sent([&] { Press(session.Main->View, c); }, c.Bytes.size())),
                  Hex(c.Bytes));
    }
    EXPECT_TRUE(session.Boxes.empty());
}

// QNX: keypad -, 5, + and * give FF FF and the console's code, tested in the
// order no modifier, Ctrl, Alt; the character the key types follows.
TEST(KeyDownPath, QnxKeypadCodesThenTheTypedCharacter) {
    ExpectSent("qnx", {
                          {"keypad -", Qt::Key_Minus, Keypad, nullptr, "\xFF\xFF\xA3-"},
                          {"keypad 5", Qt::Key_5, Keypad, nullptr,
                           "\xFF\xFF\xA5"
                           "5"},
                          {"keypad +", Qt::Key_Plus, Keypad, nullptr, "\xFF\xFF\xA7+"},
                          {"keypad *", Qt::Key_Asterisk, Keypad, nullptr, "*"},
                          {"Ctrl+keypad -", Qt::Key_Minus, Keypad | Ctrl, nullptr, "\xFF\xFF\xB3"},
                          {"Ctrl+keypad 5", Qt::Key_5, Keypad | Ctrl, nullptr, "\xFF\xFF\xB5"},
                          {"Ctrl+keypad +", Qt::Key_Plus, Keypad | Ctrl, nullptr, "\xFF\xFF\xB7"},
                          {"Alt+keypad -", Qt::Key_Minus, Keypad | Alt, nullptr, "\xFF\xFF\xC3"},
                          {"Alt+keypad 5", Qt::Key_5, Keypad | Alt, nullptr, "\xFF\xFF\xC5"},
                          {"Alt+keypad +", Qt::Key_Plus, Keypad | Alt, nullptr, "\xFF\xFF\xC7"},
                          {"Alt+keypad *", Qt::Key_Asterisk, Keypad | Alt, nullptr, "\xFF\xFF\xCD"},
                          {"Ctrl+Alt+keypad -", Qt::Key_Minus, Keypad | Ctrl | Alt, nullptr,
                           "\xFF\xFF\xB3"},
                          {"Shift+keypad +", Qt::Key_Plus, Keypad | Shift, "+", "+"},
                          {"keypad 5, Num Lock off", Qt::Key_Clear, Keypad, "", ""},
                          {"main minus", Qt::Key_Minus, None, nullptr, "-"},
                          {"main plus", Qt::Key_Plus, None, nullptr, "+"},
                      });
}

// ANSI and TTY have no keypad codes: the keypad types its characters.
TEST(KeyDownPath, AnsiAndTtyKeypadTypesCharactersOnly) {
    const std::vector<TPressCase> cases = {
        {"keypad -", Qt::Key_Minus, Keypad, nullptr, "-"},
        {"keypad 5", Qt::Key_5, Keypad, nullptr, "5"},
        {"keypad +", Qt::Key_Plus, Keypad, nullptr, "+"},
        {"Ctrl+keypad -", Qt::Key_Minus, Keypad | Ctrl, nullptr, ""},
        {"Alt+keypad *", Qt::Key_Asterisk, Keypad | Alt, nullptr, ""},
    };
    ExpectSent("ansi", cases);
    ExpectSent("tty", cases);
}

// Typed characters: Unicode to code page 1251, the upper half moved to its
// code page 866 place; a character without a 1251 byte sends '?'.
TEST(KeyPressPath, TypedCharactersGoOutInCodePage866) {
    ExpectSent("qnx", {
                          {"Latin a", Qt::Key_A, None, nullptr, "a"},
                          {"Latin Z", Qt::Key_Z, Shift, "Z", "Z"},
                          {"digit", Qt::Key_7, None, nullptr, "7"},
                          {"Cyrillic А", static_cast<Qt::Key>(0x0410), None, "А", "\x80"},
                          {"Cyrillic П", static_cast<Qt::Key>(0x041F), None, "П", "\x8F"},
                          {"Cyrillic Р", static_cast<Qt::Key>(0x0420), None, "Р", "\x90"},
                          {"Cyrillic я", static_cast<Qt::Key>(0x042F), None, "я", "\xEF"},
                          {"Cyrillic р", static_cast<Qt::Key>(0x0420), None, "р", "\xE0"},
                          {"Cyrillic ё", static_cast<Qt::Key>(0x0401), None, "ё", "\xB8"},
                          {"Cyrillic Ё", static_cast<Qt::Key>(0x0401), Shift, "Ё", "\xE8"},
                          {"euro, 1251 88", Qt::Key_unknown, None, "€", "\xC8"},
                          {"Greek α", Qt::Key_unknown, None, "α", "?"},
                          {"emoji", Qt::Key_unknown, None, "\U0001F600", "?"},
                          {"two without 1251", Qt::Key_unknown, None, "ωж", "?\xA6"},
                      });
}

// Control bytes: Ctrl+letter whatever text the platform attaches, Backspace
// and Enter where no map takes them, Alt types nothing.
TEST(KeyPressPath, ControlBytesInEveryMode) {
    ExpectSent("qnx", {
                          {"Ctrl+A", Qt::Key_A, Ctrl, nullptr, "\x01"},
                          {"Ctrl+Z, no text", Qt::Key_Z, Ctrl, "", "\x1A"},
                          {"Ctrl+Shift+C", Qt::Key_C, Ctrl | Shift, "C", "\x03"},
                      });
    ExpectSent("ansi", {
                           {"Ctrl+A", Qt::Key_A, Ctrl, nullptr, "\x01"},
                           {"Ctrl+Z", Qt::Key_Z, Ctrl, nullptr, "\x1A"},
                       });
    ExpectSent("tty", {
                          {"Ctrl+A", Qt::Key_A, Ctrl, nullptr, "\x01"},
                          {"Ctrl+Z", Qt::Key_Z, Ctrl, nullptr, "\x1A"},
                          {"Ctrl+Backspace", Qt::Key_Backspace, Ctrl, nullptr, "\x7F"},
                          {"Backspace", Qt::Key_Backspace, None, nullptr, "\b"},
                          {"Tab", Qt::Key_Tab, None, nullptr, "\t"},
                          {"Esc", Qt::Key_Escape, None, nullptr, "\x1B"},
                          {"Enter", Qt::Key_Return, None, nullptr, "\r\n"},
                          {"Delete", Qt::Key_Delete, None, "\x7F", ""},
                          {"F1", Qt::Key_F1, None, nullptr, ""},
                          {"Alt+A", Qt::Key_A, Alt, nullptr, ""},
                          {"Cyrillic я", static_cast<Qt::Key>(0x042F), None, "я", "\xEF"},
                      });
}

// While the host prompt is shown typed characters stay back, but bound keys
// still send.
TEST(KeyPressPath, HostPromptHoldsBackCharactersNotBoundKeys) {
    TKeySession session("qnx");
    ASSERT_TRUE(session.Ready());
    session.Main->Panel->show();
    TMainWindow& main = *session.Main;
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(main.View, Qt::Key_A); }, 0)), "");
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(main.View, Qt::Key_Minus, Keypad); }, 3)),
              "FF FF A3");
    EXPECT_EQ(Hex(session.SentBy(Qt::Key_F2, None, 3)), "FF FF 82");
    main.Panel->hide();
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(main.View, Qt::Key_A); }, 1)), "61");
}

// The help window: typed characters go to its text, bound keys of the
// active map still send, even to a key its text box would claim; Esc closes
// it and sends ESC.
TEST(KeyPressPath, HelpWindowPassesBoundKeysAndEscClosesIt) {
    TKeySession session("qnx");
    ASSERT_TRUE(session.Ready());
    TMainWindow& main = *session.Main;
    main.N2Click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.HelpForm, 5000));
    QWidget* text = main.HelpForm->HelpText;
    text->setFocus();
    EXPECT_FALSE(main.isEnabled());

    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(text, Qt::Key_A); }, 0, text)), "");
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(text, Qt::Key_F5); }, 3, text)), "FF FF 85");
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(text, Qt::Key_Left); }, 3, text)), "FF FF A4");
    EXPECT_EQ(Hex(session.Sent([&] { QTest::keyClick(text, Qt::Key_Backspace); }, 1, text)), "7F");
    EXPECT_TRUE(main.HelpForm->isVisible());

    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(main.HelpForm->isVisible());
    EXPECT_TRUE(main.isEnabled());
    ASSERT_TRUE(session.WaitFor([&] { return session.Server.Received().size() >= 1; }, 3s));
    session.Settle();
    EXPECT_EQ(Hex(session.Server.ReceivedText()), "1B");
    session.Server.ClearReceived();
    // A second Esc only sends.
    EXPECT_EQ(Hex(session.SentBy(Qt::Key_Escape, None, 1)), "1B");
}

// Shift+Tab and Ctrl+Tab are the map's, and focus stays on the terminal.
TEST(KeyPressPath, TabKeysNeverMoveTheFocus) {
    TKeySession session("ansi");
    ASSERT_TRUE(session.Ready());
    TMainWindow& main = *session.Main;
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        EXPECT_EQ(Hex(session.SentBy(key, key == Qt::Key_Backtab ? Shift : None, 1)), "09");
        EXPECT_EQ(QApplication::focusWidget(), main.View);
    }
    EXPECT_EQ(Hex(session.SentBy(Qt::Key_Tab, Ctrl, 0)), "");
    EXPECT_EQ(QApplication::focusWidget(), main.View);
}

} // namespace
} // namespace lemnar::test
