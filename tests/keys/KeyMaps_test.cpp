// Every binding of both key maps, pressed as a real key on a connected main
// window: the action that takes it, and the bytes that reach the server. The
// expected rows come from support/KeyMapRows.h, built from the key layout of
// the QNX console and the ANSI sequences, not from the maps.

#include "keys/KeySession.h"
#include "keys/Modifiers.h"
#include "support/KeyMapRows.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <map>

namespace lemnar::test {
namespace {

// The key Qt reports for a row's key; Shift+Tab arrives as Backtab.
Qt::Key QtKey(const TKeyRow& row) {
    static const std::map<std::string, Qt::Key> keys = {
        {"Tab", Qt::Key_Tab},           {"Enter", Qt::Key_Return}, {"BkSp", Qt::Key_Backspace},
        {"Esc", Qt::Key_Escape},        {"Home", Qt::Key_Home},    {"Up", Qt::Key_Up},
        {"PgUp", Qt::Key_PageUp},       {"Left", Qt::Key_Left},    {"Right", Qt::Key_Right},
        {"End", Qt::Key_End},           {"Down", Qt::Key_Down},    {"PgDn", Qt::Key_PageDown},
        {"Ins", Qt::Key_Insert},        {"Del", Qt::Key_Delete},   {"-", Qt::Key_Minus},
        {"PrintScreen", Qt::Key_Print},
    };
    if (row.Key == "Tab" && row.Modifier == TKeyModifier::Shift)
        return Qt::Key_Backtab;
    if (const auto it = keys.find(row.Key); it != keys.end())
        return it->second;
    if (row.Key.size() == 1 && row.Key[0] >= 'A' && row.Key[0] <= 'Z')
        return static_cast<Qt::Key>(Qt::Key_A + (row.Key[0] - 'A'));
    if (row.Key.size() >= 2 && row.Key[0] == 'F')
        return static_cast<Qt::Key>(Qt::Key_F1 + std::stoi(row.Key.substr(1)) - 1);
    ADD_FAILURE() << "no Qt key for " << row.Key;
    return Qt::Key_unknown;
}

Qt::KeyboardModifiers QtModifiers(TKeyModifier modifier) {
    switch (modifier) {
    case TKeyModifier::Shift:
        return Shift;
    case TKeyModifier::Ctrl:
        return Ctrl;
    case TKeyModifier::Alt:
        return Alt;
    case TKeyModifier::None:
        return None;
    }
    return None;
}

// What reaches the server: before the server has sent any telnet command,
// Enter's CR goes out as CR LF.
std::string WireBytes(const TKeyRow& row) {
    return row.Bytes == "\r" ? std::string("\r\n") : row.Bytes;
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
        if (row.Key.empty()) {
            EXPECT_TRUE(action->shortcuts().isEmpty());
            continue;
        }
        QSignalSpy triggered(action, &QAction::triggered);
        const std::string bytes = WireBytes(row);
        EXPECT_EQ(Hex(session.SentBy(QtKey(row), QtModifiers(row.Modifier), bytes.size())),
                  Hex(bytes));
        // The marker key that ends each exchange is F1.
        const bool marker = row.Key == "F1" && row.Modifier == TKeyModifier::None;
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
