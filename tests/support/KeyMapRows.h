#pragma once
// What the two key maps must hold, binding by binding in the maps' order:
// the name, the key and modifier that trigger it, and the bytes its handler
// sends while connected. Built from the key layout of the QNX console and
// the ANSI sequences, not from the maps; the key-handler tests and the keys
// pressed on a connected window check against the same rows.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace lemnar::test {

enum class TKeyModifier { None, Shift, Ctrl, Alt };

struct TKeyRow {
    std::string Name; // with the map's prefix: "QNX_F1"
    // The key as the bindings' notation writes it ("F1", "Up", "PgDn", "Ins",
    // "BkSp", "-", "A"); empty: the binding has no key.
    std::string Key;
    TKeyModifier Modifier = TKeyModifier::None;
    // Handed to the engine as they are; Enter's CR is then subject to the
    // carriage-return rule.
    std::string Bytes;
};

// A QNX console key as it goes out: the lead byte 0xFF, doubled for
// telnet, then the key code.
inline std::string QnxCode(int code) {
    return std::string("\xFF\xFF") + static_cast<char>(code);
}

// The editing keys of the code grid, in grid order. Keypad -, 5, + and
// Print Screen have no key in the maps.
struct TGridKey {
    const char* Name;
    const char* Key;
};
inline constexpr TGridKey GridKeys[] = {
    {"Home", "Home"},       {"CursorUp", "Up"},     {"PageUp", "PgUp"},       {"Minus", ""},
    {"CursorLeft", "Left"}, {"Five", ""},           {"CursorRight", "Right"}, {"Plus", ""},
    {"End", "End"},         {"CursorDown", "Down"}, {"PageDown", "PgDn"},     {"Insert", "Ins"},
    {"Delete", "Del"},      {"PrintScreen", ""},    {"F11", "F11"},           {"F12", "F12"},
};

// Keyz_QNX in map order. From ShiftTab each binding takes the next key code,
// 0x80 to 0xFC, keyless ones included; the four single-byte keys follow.
inline std::vector<TKeyRow> QnxRows() {
    using enum TKeyModifier;
    std::vector<TKeyRow> rows;
    int code = 0x80;
    const auto coded = [&](const std::string& name, const std::string& key, TKeyModifier modifier) {
        rows.push_back({"QNX_" + name, key, modifier, key.empty() ? std::string() : QnxCode(code)});
        ++code;
    };
    const auto fKey = [](int n) { return "F" + std::to_string(n); };
    coded("ShiftTab", "Tab", Shift);
    for (int n = 1; n <= 10; ++n)
        coded(fKey(n), fKey(n), None);
    for (int n = 1; n <= 10; ++n)
        coded("Shift" + fKey(n), fKey(n), Shift);
    for (int n = 1; n <= 10; ++n)
        coded("Ctrl" + fKey(n), fKey(n), Ctrl);
    coded("CtrlTab", "Tab", Ctrl);
    for (const TGridKey& key : GridKeys)
        coded(key.Name, key.Key, None);
    for (const TGridKey& key : GridKeys) {
        if (std::string(key.Name) == "Minus") {
            // Ctrl with the main keyboard's minus: the control byte 1F.
            rows.push_back({"QNX_CtrlMinus", "-", Ctrl, "\x1F"});
            ++code;
        } else {
            coded(std::string("Ctrl") + key.Name, key.Key, Ctrl);
        }
    }
    for (const TGridKey& key : GridKeys) {
        // Alt+keypad * takes Alt+Print Screen's place; it is sent by the
        // key-down path, so the binding has no key.
        const bool print = std::string(key.Name) == "PrintScreen";
        coded(print ? std::string("AltAsterisk") : std::string("Alt") + key.Name, key.Key, Alt);
    }
    coded("CtrlEnter", "Enter", Ctrl);
    for (int n = 1; n <= 10; ++n)
        coded("Alt" + fKey(n), fKey(n), Alt);
    coded("ShiftF11", "F11", Shift);
    coded("ShiftF12", "F12", Shift);
    coded("SysRq", "PrintScreen", Shift);
    coded("CtrlBksp", "BkSp", Ctrl);
    coded("AltBksp", "BkSp", Alt);
    coded("ShiftEnter", "Enter", Shift);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        coded(std::string("Alt") + letter, std::string(1, letter), Alt);
    coded("AltEnter", "Enter", Alt);
    coded("ShiftBkSp", "BkSp", Shift);
    EXPECT_EQ(code, 0xFD);
    rows.push_back({"QNX_Enter", "Enter", None, "\r"});
    rows.push_back({"QNX_Bksp", "BkSp", None, "\x7F"});
    rows.push_back({"QNX_Tab", "Tab", None, "\t"});
    rows.push_back({"QNX_Esc", "Esc", None, "\x1B"});
    return rows;
}

// Keyz_ANSI: the same names after the prefix and the same keys, except that
// Ctrl+- has no key (its handler would still send 1F). What the handlers
// send, as the ANSI sequences go; every other handler sends nothing.
inline std::vector<TKeyRow> AnsiRows() {
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
        {"Enter", "\r"},
        {"Bksp", "\b"},
        {"Tab", "\t"},
        {"Esc", "\x1B"},
        {"CtrlMinus", "\x1F"},
    };
    std::vector<TKeyRow> rows;
    for (TKeyRow row : QnxRows()) {
        const std::string suffix = row.Name.substr(4);
        row.Name = "ANSI_" + suffix;
        if (suffix == "CtrlMinus")
            row.Key.clear();
        const auto sent = sends.find(suffix);
        row.Bytes = sent != sends.end() ? sent->second : std::string();
        rows.push_back(row);
    }
    return rows;
}

} // namespace lemnar::test
