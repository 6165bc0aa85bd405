// Every binding of both key maps, pressed as a real key on a connected main
// window: the action that takes it, and the bytes that reach the server. The
// expected lists are built here from the key layout of the QNX console and
// the ANSI sequences, not from the maps.

#include "keys/KeySession.h"
#include "keys/Modifiers.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <map>

namespace lemnar::test {
namespace {

struct TKeyRow {
    std::string Name;
    Qt::Key Key = Qt::Key_unknown; // Key_unknown: the binding has no key
    Qt::KeyboardModifiers Modifiers;
    std::string Bytes;
};

Qt::Key FKey(int n) {
    return static_cast<Qt::Key>(Qt::Key_F1 + n - 1);
}

std::string QnxCode(int code) {
    return std::string("\xFF\xFF") + static_cast<char>(code);
}

// The editing keys of the code grid, in grid order. Keypad -, 5, + and
// Print Screen have no key in the maps.
struct TGridKey {
    const char* Name;
    Qt::Key Key;
};
const std::vector<TGridKey> GridKeys = {
    {"Home", Qt::Key_Home},         {"CursorUp", Qt::Key_Up},         {"PageUp", Qt::Key_PageUp},
    {"Minus", Qt::Key_unknown},     {"CursorLeft", Qt::Key_Left},     {"Five", Qt::Key_unknown},
    {"CursorRight", Qt::Key_Right}, {"Plus", Qt::Key_unknown},        {"End", Qt::Key_End},
    {"CursorDown", Qt::Key_Down},   {"PageDown", Qt::Key_PageDown},   {"Insert", Qt::Key_Insert},
    {"Delete", Qt::Key_Delete},     {"PrintScreen", Qt::Key_unknown}, {"F11", Qt::Key_F11},
    {"F12", Qt::Key_F12},
};

// Keyz_QNX in map order. From ShiftTab each binding takes the next key code,
// 0x80 to 0xFC, keyless ones included; the four single-byte keys follow.
std::vector<TKeyRow> QnxRows() {
    std::vector<TKeyRow> rows;
    int code = 0x80;
    const auto coded = [&](const std::string& name, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        rows.push_back({"QNX_" + name, key, modifiers,
                        key == Qt::Key_unknown ? std::string() : QnxCode(code)});
        ++code;
    };
    coded("ShiftTab", Qt::Key_Backtab, Shift);
    for (int n = 1; n <= 10; ++n)
        coded("F" + std::to_string(n), FKey(n), None);
    for (int n = 1; n <= 10; ++n)
        coded("ShiftF" + std::to_string(n), FKey(n), Shift);
    for (int n = 1; n <= 10; ++n)
        coded("CtrlF" + std::to_string(n), FKey(n), Ctrl);
    coded("CtrlTab", Qt::Key_Tab, Ctrl);
    for (const TGridKey& key : GridKeys)
        coded(key.Name, key.Key, None);
    for (const TGridKey& key : GridKeys) {
        if (std::string(key.Name) == "Minus") {
            // Ctrl with the main keyboard's minus: the control byte 1F.
            rows.push_back({"QNX_CtrlMinus", Qt::Key_Minus, Ctrl, "\x1F"});
            ++code;
        } else {
            coded(std::string("Ctrl") + key.Name, key.Key, Ctrl);
        }
    }
    for (const TGridKey& key : GridKeys) {
        // Alt+keypad * takes Alt+Print Screen's place; it is sent by the
        // key-down path, so the binding has no key.
        const bool print = std::string(key.Name) == "PrintScreen";
        coded(print ? std::string("AltAsterisk") : std::string("Alt") + key.Name,
              print ? Qt::Key_unknown : key.Key, Alt);
    }
    coded("CtrlEnter", Qt::Key_Return, Ctrl);
    for (int n = 1; n <= 10; ++n)
        coded("AltF" + std::to_string(n), FKey(n), Alt);
    coded("ShiftF11", Qt::Key_F11, Shift);
    coded("ShiftF12", Qt::Key_F12, Shift);
    coded("SysRq", Qt::Key_Print, Shift);
    coded("CtrlBksp", Qt::Key_Backspace, Ctrl);
    coded("AltBksp", Qt::Key_Backspace, Alt);
    coded("ShiftEnter", Qt::Key_Return, Shift);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        coded(std::string("Alt") + letter, static_cast<Qt::Key>(Qt::Key_A + (letter - 'A')), Alt);
    coded("AltEnter", Qt::Key_Return, Alt);
    coded("ShiftBkSp", Qt::Key_Backspace, Shift);
    EXPECT_EQ(code, 0xFD);
    // Enter before the server has sent any telnet command: CR LF.
    rows.push_back({"QNX_Enter", Qt::Key_Return, None, "\r\n"});
    rows.push_back({"QNX_Bksp", Qt::Key_Backspace, None, "\x7F"});
    rows.push_back({"QNX_Tab", Qt::Key_Tab, None, "\t"});
    rows.push_back({"QNX_Esc", Qt::Key_Escape, None, "\x1B"});
    return rows;
}

// Keyz_ANSI: the same names after the prefix and the same keys, except that
// Ctrl+- has no key. What the bound keys send, as the ANSI sequences go;
// every other bound key sends nothing.
std::vector<TKeyRow> AnsiRows() {
    const std::map<std::string, std::string> sends = {
        {"ShiftTab", "\t"},
        {"F1", "\x1BOP"},
        {"F2", "\x1BOQ"},
        {"F3", "\x1BOR"},
        {"F4", "\x1BOS"},
        {"F5", "\x1B[15~"},
        {"F6", "\x1B[17~"},
        {"F7", "\x1B[18~"},
        {"F8", "\x1B[19~"},
        {"F9", "\x1B[20~"},
        {"F10", "\x1B[21~"},
        {"ShiftF1", "\x1BOP"},
        {"ShiftF2", "\x1BOQ"},
        {"ShiftF3", "\x1BOR"},
        {"ShiftF4", "\x1BOS"},
        {"ShiftF5", "\x1B[15~"},
        {"ShiftF6", "\x1B[17~"},
        {"ShiftF7", "\x1B[18~"},
        {"ShiftF8", "\x1B[19~"},
        {"ShiftF9", "\x1B[20~"},
        {"ShiftF10", "\x1B[21~"},
        {"Home", "\x1B[1~"},
        {"CursorUp", "\x1B[A"},
        {"PageUp", "\x1B[5~"},
        {"CursorLeft", "\x1B[D"},
        {"CursorRight", "\x1B[C"},
        {"End", "\x1B[4~"},
        {"CursorDown", "\x1B[B"},
        {"PageDown", "\x1B[6~"},
        {"Insert", "\x1B[2~"},
        {"Delete", "\x7F"},
        {"F11", "\x1B[23~"},
        {"F12", "\x1B[24~"},
        {"ShiftF11", "\x1B[23~"},
        {"ShiftF12", "\x1B[24~"},
        {"ShiftBkSp", "\b"},
        {"Enter", "\r\n"},
        {"Bksp", "\b"},
        {"Tab", "\t"},
        {"Esc", "\x1B"},
    };
    std::vector<TKeyRow> rows;
    for (TKeyRow row : QnxRows()) {
        const std::string suffix = row.Name.substr(4);
        row.Name = "ANSI_" + suffix;
        if (suffix == "CtrlMinus")
            row.Key = Qt::Key_unknown;
        const auto sent = sends.find(suffix);
        row.Bytes = sent != sends.end() ? sent->second : std::string();
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Names(const std::vector<TKeyRow>& rows) {
    std::vector<std::string> names;
    for (const TKeyRow& row : rows)
        names.push_back(row.Name);
    return names;
}

std::vector<std::string> GroupNames(TMainWindow& window, const char* group) {
    std::vector<std::string> names;
    auto* actions = window.findChild<QActionGroup*>(QString::fromLatin1(group));
    if (actions == nullptr)
        return names;
    for (QAction* action : actions->actions())
        names.push_back(action->objectName().toStdString());
    return names;
}

struct TMapCase {
    const char* Type;
    const char* Group;
    std::vector<TKeyRow> (*Rows)();
};

void PrintTo(const TMapCase& c, std::ostream* out) {
    *out << c.Group;
}

class KeyMapTest : public ::testing::TestWithParam<TMapCase> {};

TEST_P(KeyMapTest, EveryBoundKeySendsItsBytesAndNothingElse) {
    TKeySession session(GetParam().Type);
    ASSERT_TRUE(session.Ready());
    const std::vector<TKeyRow> rows = GetParam().Rows();
    ASSERT_EQ(rows.size(), 129u);
    EXPECT_EQ(GroupNames(*session.Main, GetParam().Group), Names(rows));
    for (const TKeyRow& row : rows) {
        SCOPED_TRACE(row.Name);
        auto* action = session.Main->findChild<QAction*>(QString::fromStdString(row.Name));
        ASSERT_NE(action, nullptr);
        if (row.Key == Qt::Key_unknown) {
            EXPECT_TRUE(action->shortcuts().isEmpty());
            continue;
        }
        QSignalSpy triggered(action, &QAction::triggered);
        EXPECT_EQ(Hex(session.SentBy(row.Key, row.Modifiers, row.Bytes.size())), Hex(row.Bytes));
        // The marker key that ends each exchange is F1.
        const bool marker = row.Key == Qt::Key_F1 && row.Modifiers == None;
        EXPECT_EQ(triggered.count(), marker ? 2 : 1);
        EXPECT_TRUE(session.Main->isVisible());                      // Alt+F4 included
        EXPECT_EQ(QApplication::focusWidget(), session.Main->View);  // Tab included
        EXPECT_EQ(session.Main->menuBar()->activeAction(), nullptr); // F10, Alt+letters
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    EXPECT_TRUE(session.Boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Maps, KeyMapTest,
                         ::testing::Values(TMapCase{"qnx", "Keyz_QNX", QnxRows},
                                           TMapCase{"ansi", "Keyz_ANSI", AnsiRows}),
                         [](const auto& info) { return std::string(info.param.Type); });

// Enter follows the carriage-return rule: CR LF until the server has sent a
// telnet command, then CR alone.
TEST(KeyMapEnter, SendsCrAloneOnceTheServerSpokeTelnet) {
    for (const char* type : {"qnx", "ansi", "tty"}) {
        SCOPED_TRACE(type);
        TKeySession session(type);
        ASSERT_TRUE(session.Ready());
        EXPECT_EQ(Hex(session.SentBy(Qt::Key_Return, None, 2)), "0D 0A");
        ASSERT_TRUE(session.Server.Send("\xFF\xF1")); // IAC NOP
        ASSERT_TRUE(session.WaitFor([&] { return session.Main->Telnet.PeerIsTelnet.load(); }, 3s));
        EXPECT_EQ(Hex(session.SentBy(Qt::Key_Return, None, 1)), "0D");
        EXPECT_EQ(Hex(session.SentBy(Qt::Key_Enter, Qt::KeypadModifier, 1)), "0D");
    }
}

// The map of the terminal type is active only while connected.
TEST(KeyMapLifecycle, ActiveWhileConnectedSuspendedAfter) {
    struct TCase {
        const char* Type;
        bool Qnx;
        bool Ansi;
    };
    for (const TCase& c :
         {TCase{"qnx", true, false}, TCase{"ansi", false, true}, TCase{"tty", false, false}}) {
        SCOPED_TRACE(c.Type);
        TKeySession session(c.Type);
        ASSERT_TRUE(session.Ready());
        auto* qnx = session.Main->findChild<QActionGroup*>("Keyz_QNX");
        auto* ansi = session.Main->findChild<QActionGroup*>("Keyz_ANSI");
        ASSERT_NE(qnx, nullptr);
        ASSERT_NE(ansi, nullptr);
        EXPECT_EQ(qnx->isEnabled(), c.Qnx);
        EXPECT_EQ(ansi->isEnabled(), c.Ansi);

        session.Server.Close();
        ASSERT_TRUE(session.WaitFor([&] { return session.Main->Connected == 0; }, 5s));
        EXPECT_FALSE(qnx->isEnabled());
        EXPECT_FALSE(ansi->isEnabled());
        EXPECT_EQ(session.Main->ActiveKeyMap, TKeyMap::None);
        // Keys after the end of the connection send nothing and report nothing.
        QTest::keyClick(session.Main->View, Qt::Key_F1);
        QTest::keyClick(session.Main->View, Qt::Key_A);
        QTest::keyClick(session.Main->View, Qt::Key_Minus, Qt::KeypadModifier);
        QTest::keyClick(session.Main->View, Qt::Key_Return);
        session.Settle();
        EXPECT_TRUE(session.Boxes.empty());
    }
}

// The Disconnect menu command suspends the maps before the engine closes.
TEST(KeyMapLifecycle, DisconnectCommandSuspendsTheMap) {
    TKeySession session("qnx");
    ASSERT_TRUE(session.Ready());
    session.YesNoAnswer = IdYes;
    session.Main->DisConnClick();
    EXPECT_EQ(session.Main->Connected, 0);
    auto* f1 = session.Main->findChild<QAction*>("QNX_F1");
    ASSERT_NE(f1, nullptr);
    EXPECT_FALSE(f1->isEnabled());
    QSignalSpy triggered(f1, &QAction::triggered);
    QTest::keyClick(session.Main->View, Qt::Key_F1);
    EXPECT_EQ(triggered.count(), 0);
    ASSERT_TRUE(session.WaitFor([&] { return session.Server.PeerClosed(); }, 3s));
    EXPECT_EQ(session.Server.ReceivedText(), "");
}

} // namespace
} // namespace lemnar::test
