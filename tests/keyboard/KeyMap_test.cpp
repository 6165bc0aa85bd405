// Every binding of both key maps, run through the key handler: names, keys
// and bytes are checked against lists derived here from the key layout, not
// against the maps' own data.

#include "keyboard/AnsiKeyMap.h"
#include "keyboard/KeyAction.h"
#include "keyboard/KeyMap.h"
#include "keyboard/QnxKeyMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lemnar {
namespace {

// One call on the output: 'c' SendCh with one byte, 'w' one raw write.
using TCall = std::pair<char, std::string>;
using TCalls = std::vector<TCall>;

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

TCalls QnxCode(int code) {
    return {{'c', "\xFF"}, {'c', "\xFF"}, {'c', std::string(1, static_cast<char>(code))}};
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

// Binding names after the prefix, in key-code order from 0x80: function
// keys, then the editing-key grid (plain, Ctrl, Alt rows), then the rest,
// then the four single-byte keys.
std::vector<std::string> MapOrder() {
    std::vector<std::string> names{"ShiftTab"};
    for (const char* prefix : {"", "Shift", "Ctrl"}) {
        for (int n = 1; n <= 10; ++n) {
            names.push_back(prefix + std::string("F") + std::to_string(n));
        }
    }
    names.emplace_back("CtrlTab");
    const char* grid[] = {"Home",       "CursorUp",    "PageUp",      "Minus",
                          "CursorLeft", "Five",        "CursorRight", "Plus",
                          "End",        "CursorDown",  "PageDown",    "Insert",
                          "Delete",     "PrintScreen", "F11",         "F12"};
    for (const char* prefix : {"", "Ctrl", "Alt"}) {
        for (const char* key : grid) {
            std::string name = prefix + std::string(key);
            names.push_back(name == "AltPrintScreen" ? "AltAsterisk" : name);
        }
    }
    names.emplace_back("CtrlEnter");
    for (int n = 1; n <= 10; ++n) {
        names.push_back("AltF" + std::to_string(n));
    }
    for (const char* name :
         {"ShiftF11", "ShiftF12", "SysRq", "CtrlBksp", "AltBksp", "ShiftEnter"}) {
        names.emplace_back(name);
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        names.push_back(std::string("Alt") + letter);
    }
    for (const char* name : {"AltEnter", "ShiftBkSp", "Enter", "Bksp", "Tab", "Esc"}) {
        names.emplace_back(name);
    }
    return names;
}

// Windows virtual-key codes of the key names used in binding names.
std::optional<std::uint8_t> KeyOfName(const std::string& key) {
    static const std::map<std::string, std::uint8_t> keys = {
        {"Home", 0x24},        {"CursorUp", 0x26}, {"PageUp", 0x21},     {"CursorLeft", 0x25},
        {"CursorRight", 0x27}, {"End", 0x23},      {"CursorDown", 0x28}, {"PageDown", 0x22},
        {"Insert", 0x2D},      {"Delete", 0x2E},   {"Tab", 0x09},        {"Enter", 0x0D},
        {"Bksp", 0x08},        {"BkSp", 0x08},     {"Esc", 0x1B},
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
    return std::nullopt;
}

// The shortcut a name spells: an optional Shift/Ctrl/Alt prefix and a key.
TShortcut ShortcutOfName(const std::string& name) {
    std::string key = name;
    TModifiers modifiers = None;
    const std::pair<std::string, TModifiers> prefixes[] = {
        {"Shift", Shift}, {"Ctrl", Ctrl}, {"Alt", Alt}};
    for (const auto& [p, flag] : prefixes) {
        if (key.size() > p.size() && key.compare(0, p.size(), p) == 0 &&
            KeyOfName(key.substr(p.size()))) {
            key = key.substr(p.size());
            modifiers = flag;
            break;
        }
    }
    const auto vk = KeyOfName(key);
    EXPECT_TRUE(vk.has_value()) << name;
    return {vk.value_or(0), modifiers};
}

const std::set<std::string> Keyless = {
    "Minus",           "Five",     "Plus",    "PrintScreen", "CtrlFive",    "CtrlPlus",
    "CtrlPrintScreen", "AltMinus", "AltFive", "AltPlus",     "AltAsterisk",
};

TShortcut ExpectedShortcut(const std::string& name, bool ansi) {
    if (Keyless.count(name) != 0) {
        return {};
    }
    if (name == "CtrlMinus") {
        return ansi ? TShortcut{} : TShortcut{0xBD, Ctrl};
    }
    if (name == "SysRq") {
        return {0x2C, Shift};
    }
    return ShortcutOfName(name);
}

TCalls ExpectedQnxCalls(const std::string& name, std::size_t index) {
    const std::map<std::string, TCalls> exceptions = {
        {"CtrlMinus", OneByte(0x1F)}, {"Enter", OneByte(0x0D)}, {"Bksp", OneByte(0x7F)},
        {"Tab", OneByte(0x09)},       {"Esc", OneByte(0x1B)},
    };
    if (const auto it = exceptions.find(name); it != exceptions.end()) {
        return it->second;
    }
    if (Keyless.count(name) != 0) {
        return {};
    }
    return QnxCode(static_cast<int>(0x80 + index));
}

TCalls ExpectedAnsiCalls(const std::string& name) {
    const std::map<std::string, TCalls> sending = {
        {"ShiftTab", OneByte(0x09)},    {"F1", EscWrite("OP")},
        {"F2", EscWrite("OQ")},         {"F3", EscWrite("OR")},
        {"F4", EscWrite("OS")},         {"F5", EscWrite("[15~")},
        {"F6", EscWrite("[17~")},       {"F7", EscWrite("[18~")},
        {"F8", EscWrite("[19~")},       {"F9", EscWrite("[20~")},
        {"F10", EscWrite("[21~")},      {"ShiftF1", EscWrite("OP")},
        {"ShiftF2", EscWrite("OQ")},    {"ShiftF3", EscWrite("OR")},
        {"ShiftF4", EscWrite("OS")},    {"ShiftF5", EscWrite("[15~")},
        {"ShiftF6", EscWrite("[17~")},  {"ShiftF7", EscWrite("[18~")},
        {"ShiftF8", EscWrite("[19~")},  {"ShiftF9", EscWrite("[20~")},
        {"ShiftF10", EscWrite("[21~")}, {"Home", EscWrite("[1~")},
        {"CursorUp", EscWrite("[A")},   {"PageUp", EscWrite("[5~")},
        {"CursorLeft", EscWrite("[D")}, {"CursorRight", EscWrite("[C")},
        {"End", EscWrite("[4~")},       {"CursorDown", EscWrite("[B")},
        {"PageDown", EscWrite("[6~")},  {"Insert", EscWrite("[2~")},
        {"Delete", OneByte(0x7F)},      {"F11", EscWrite("[23~")},
        {"F12", EscWrite("[24~")},      {"ShiftF11", EscWrite("[23~")},
        {"ShiftF12", EscWrite("[24~")}, {"ShiftBkSp", OneByte(0x08)},
        {"Enter", OneByte(0x0D)},       {"Bksp", OneByte(0x08)},
        {"Tab", OneByte(0x09)},         {"Esc", OneByte(0x1B)},
        {"CtrlMinus", OneByte(0x1F)},
    };
    const auto it = sending.find(name);
    return it == sending.end() ? TCalls{} : it->second;
}

TEST(KeyMap, QnxBindingsFollowTheKeyCodeOrder) {
    const std::vector<std::string> order = MapOrder();
    ASSERT_EQ(order.size(), Keyz_QNX.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const TKeyBinding& binding = Keyz_QNX[i];
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(binding.Name, "QNX_" + order[i]);
        EXPECT_EQ(binding.Shortcut, ExpectedShortcut(order[i], false));
        EXPECT_EQ(Execute(binding), ExpectedQnxCalls(order[i], i));
        EXPECT_EQ(binding.HidesHelp, order[i] == "Esc");
    }
}

TEST(KeyMap, AnsiBindingsSendTheirSequences) {
    const std::vector<std::string> order = MapOrder();
    ASSERT_EQ(order.size(), Keyz_ANSI.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const TKeyBinding& binding = Keyz_ANSI[i];
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(binding.Name, "ANSI_" + order[i]);
        EXPECT_EQ(binding.Shortcut, ExpectedShortcut(order[i], true));
        EXPECT_EQ(Execute(binding), ExpectedAnsiCalls(order[i]));
        EXPECT_EQ(binding.HidesHelp, order[i] == "Esc");
    }
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
