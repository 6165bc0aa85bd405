// Every binding of both key maps, run through the key handler: names, keys
// and bytes are checked against the rows of support/KeyMapRows.h, derived
// from the key layout, not against the maps' own data.

#include "keyboard/AnsiKeyMap.h"
#include "keyboard/KeyAction.h"
#include "keyboard/KeyMap.h"
#include "keyboard/QnxKeyMap.h"
#include "support/KeyMapRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lemnar {
namespace {

// One call on the output: 'c' SendCh with one byte, 'w' one raw write.
using TCall = std::pair<char, std::string>;
using TCalls = std::vector<TCall>;
using test::TKeyRow;

class TRecorder : public TKeyOutput {
  public:
    TCalls Calls;
    void SendCh(char c) override { Calls.emplace_back('c', std::string(1, c)); }
    void WriteBytes(std::string_view bytes) override {
        Calls.emplace_back('w', std::string(bytes));
    }
};

TCalls Execute(const TKeyBinding& binding, bool connected = true) {
    TRecorder recorder;
    ExecuteKeyAction(binding, connected, recorder);
    return recorder.Calls;
}

// The calls a handler makes for its bytes: an escape sequence in one write,
// any other byte through SendCh on its own.
TCalls CallsOf(const std::string& bytes) {
    if (bytes.size() > 1 && bytes[0] == '\x1B')
        return {{'w', bytes}};
    TCalls calls;
    for (const char byte : bytes)
        calls.emplace_back('c', std::string(1, byte));
    return calls;
}

TCalls QnxCode(int code) {
    return CallsOf(test::QnxCode(code));
}
TCalls OneByte(int byte) {
    return {{'c', std::string(1, static_cast<char>(byte))}};
}
TCalls EscWrite(const std::string& text) {
    return {{'w', "\x1B" + text}};
}

constexpr TModifiers Shift = TModifiers::Shift;
constexpr TModifiers Ctrl = TModifiers::Ctrl;
constexpr TModifiers Alt = TModifiers::Alt;
constexpr TModifiers None = TModifiers::None;

// Windows virtual-key codes of the keys as the rows write them.
std::uint8_t VirtualKey(const std::string& key) {
    static const std::map<std::string, std::uint8_t> keys = {
        {"Home", 0x24},  {"Up", 0x26},  {"PgUp", 0x21}, {"Left", 0x25},
        {"Right", 0x27}, {"End", 0x23}, {"Down", 0x28}, {"PgDn", 0x22},
        {"Ins", 0x2D},   {"Del", 0x2E}, {"Tab", 0x09},  {"Enter", 0x0D},
        {"BkSp", 0x08},  {"Esc", 0x1B}, {"-", 0xBD},    {"PrintScreen", 0x2C},
    };
    if (const auto it = keys.find(key); it != keys.end()) {
        return it->second;
    }
    if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') {
        return static_cast<std::uint8_t>(key[0]);
    }
    if (key.size() >= 2 && key[0] == 'F') {
        return static_cast<std::uint8_t>(0x6F + std::stoi(key.substr(1)));
    }
    ADD_FAILURE() << "no virtual key for " << key;
    return 0;
}

TModifiers ModifiersOf(test::TKeyModifier modifier) {
    switch (modifier) {
    case test::TKeyModifier::Shift:
        return Shift;
    case test::TKeyModifier::Ctrl:
        return Ctrl;
    case test::TKeyModifier::Alt:
        return Alt;
    case test::TKeyModifier::None:
        return None;
    }
    return None;
}

TShortcut ExpectedShortcut(const TKeyRow& row) {
    if (row.Key.empty()) {
        return {};
    }
    return {VirtualKey(row.Key), ModifiersOf(row.Modifier)};
}

// Checks a map binding by binding against its rows.
void ExpectMap(std::span<const TKeyBinding> map, const std::vector<TKeyRow>& rows) {
    ASSERT_EQ(rows.size(), map.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TKeyBinding& binding = map[i];
        const TKeyRow& row = rows[i];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(binding.Name, row.Name);
        EXPECT_EQ(binding.Shortcut, ExpectedShortcut(row));
        EXPECT_EQ(Execute(binding), CallsOf(row.Bytes));
        EXPECT_EQ(binding.HidesHelp, row.Name.ends_with("_Esc"));
    }
}

TEST(KeyMap, QnxBindingsFollowTheKeyCodeOrder) {
    ExpectMap(Keyz_QNX, test::QnxRows());
}

TEST(KeyMap, AnsiBindingsSendTheirSequences) {
    ExpectMap(Keyz_ANSI, test::AnsiRows());
}

TEST(KeyMap, NothingIsSentWhileDisconnected) {
    for (const auto* map : {&Keyz_QNX, &Keyz_ANSI}) {
        for (const TKeyBinding& binding : *map) {
            EXPECT_TRUE(Execute(binding, false).empty()) << binding.Name;
        }
    }
}

TEST(KeyMap, EveryKeyTriggersOneBindingAtMost) {
    for (const int type : {0, 1}) {
        std::set<std::pair<int, int>> seen;
        for (const TKeyBinding& binding : KeyMapFor(type)) {
            if (!binding.Shortcut.HasKey()) {
                continue;
            }
            const std::pair key{binding.Shortcut.Key, static_cast<int>(binding.Shortcut.Modifiers)};
            EXPECT_TRUE(seen.insert(key).second) << binding.Name;
            EXPECT_EQ(FindBinding(type, binding.Shortcut.Key, binding.Shortcut.Modifiers), &binding)
                << binding.Name;
        }
    }
}

struct TLookupCase {
    int TerminalType;
    std::uint8_t Key;
    TModifiers Modifiers;
    const char* Name; // nullptr: no binding, the key falls through
    TCalls Calls;
};

TEST(KeyMap, LookupFindsTheActiveMapsBinding) {
    const TLookupCase cases[] = {
        {0, 0x79, None, "QNX_F10", QnxCode(0x8A)},
        {1, 0x79, None, "ANSI_F10", EscWrite("[21~")},
        {0, 0x73, Alt, "QNX_AltF4", QnxCode(0xD4)},
        {1, 0x73, Alt, "ANSI_AltF4", {}},
        {0, 0x09, None, "QNX_Tab", OneByte(0x09)},
        {0, 0x09, Shift, "QNX_ShiftTab", QnxCode(0x80)},
        {0, 0x09, Ctrl, "QNX_CtrlTab", QnxCode(0x9F)},
        {1, 0x09, Shift, "ANSI_ShiftTab", OneByte(0x09)},
        {0, 0x1B, None, "QNX_Esc", OneByte(0x1B)},
        {1, 0x1B, None, "ANSI_Esc", OneByte(0x1B)},
        {0, 0x0D, None, "QNX_Enter", OneByte(0x0D)},
        {0, 0x08, None, "QNX_Bksp", OneByte(0x7F)},
        {1, 0x08, None, "ANSI_Bksp", OneByte(0x08)},
        {0, 0x2E, None, "QNX_Delete", QnxCode(0xAC)},
        {1, 0x2E, None, "ANSI_Delete", OneByte(0x7F)},
        {0, 0xBD, Ctrl, "QNX_CtrlMinus", OneByte(0x1F)},
        {1, 0xBD, Ctrl, nullptr, {}},
        {0, 0x7B, Alt, "QNX_AltF12", QnxCode(0xCF)},
        {1, 0x7B, Alt, "ANSI_AltF12", {}},
        {0, 0x2C, Shift, "QNX_SysRq", QnxCode(0xDD)},
        {1, 0x2C, Shift, "ANSI_SysRq", {}},
        {1, 0x25, Ctrl, "ANSI_CtrlCursorLeft", {}},
        {1, 0x72, Shift, "ANSI_ShiftF3", EscWrite("OR")},
        // Modifier sets match exactly.
        {0, 0x70, Ctrl | Alt, nullptr, {}},
        {0, 0x70, Shift | Ctrl, nullptr, {}},
        {0, 0x41, Alt | Shift, nullptr, {}},
        {0, 0x41, None, nullptr, {}},
        // Keys left to the key-down and key-press paths.
        {0, 0x2C, None, nullptr, {}},
        {0, 0x6A, Alt, nullptr, {}},
        {1, 0x6A, Alt, nullptr, {}},
        {0, 0x6D, None, nullptr, {}},
        {0, 0x6D, Ctrl, nullptr, {}},
        {0, 0x65, None, nullptr, {}},
        {0, 0x6B, Alt, nullptr, {}},
        {0, 0x00, None, nullptr, {}},
        // TTY has no map.
        {2, 0x70, None, nullptr, {}},
        {7, 0x1B, None, nullptr, {}},
    };
    for (const TLookupCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.TerminalType << " key " << int(c.Key)
                                        << " mods " << int(c.Modifiers));
        const TKeyBinding* binding = FindBinding(c.TerminalType, c.Key, c.Modifiers);
        if (c.Name == nullptr) {
            EXPECT_EQ(binding, nullptr) << (binding != nullptr ? binding->Name : "");
            continue;
        }
        ASSERT_NE(binding, nullptr);
        EXPECT_EQ(binding->Name, c.Name);
        EXPECT_EQ(Execute(*binding), c.Calls);
    }
}

TEST(KeyMap, AltLettersSendTheirCodesInQnxAndNothingInAnsi) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        SCOPED_TRACE(letter);
        const auto key = static_cast<std::uint8_t>(letter);
        const TKeyBinding* qnx = FindBinding(0, key, Alt);
        ASSERT_NE(qnx, nullptr);
        EXPECT_EQ(Execute(*qnx), QnxCode(0xE1 + (letter - 'A')));
        const TKeyBinding* ansi = FindBinding(1, key, Alt);
        ASSERT_NE(ansi, nullptr);
        EXPECT_TRUE(Execute(*ansi).empty());
    }
}

} // namespace
} // namespace lemnar
