#pragma once
// One binding (action) of a key map: its name, the shortcut that triggers it
// and what its handler sends while connected.

#include "keyboard/VirtualKey.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lemnar {

// Both maps hold this many bindings, in the same order.
inline constexpr std::size_t KeyMapSize = 129;

// What a binding's handler sends.
enum class TKeySend : std::uint8_t {
    Nothing,        // empty handler: a bound key is still consumed
    QnxCode,        // SendCh(255), SendCh(255), SendCh(Code)
    Byte,           // SendCh(Code)
    EscapeSequence, // ESC and Text in one raw write
};

struct TKeyBinding {
    std::string_view Name;
    TShortcut Shortcut; // no key: the binding never triggers
    TKeySend Send = TKeySend::Nothing;
    std::uint8_t Code = 0;  // QNX key code or the single byte
    std::string_view Text;  // escape sequence after ESC
    bool HidesHelp = false; // Esc: the shell hides the help window before sending
};

// Table helpers, so that a map reads one binding per line.
constexpr TShortcut PlainKey(TVirtualKey key) {
    return {key, TModifiers::None};
}
constexpr TShortcut ShiftKey(TVirtualKey key) {
    return {key, TModifiers::Shift};
}
constexpr TShortcut CtrlKey(TVirtualKey key) {
    return {key, TModifiers::Ctrl};
}
constexpr TShortcut AltKey(TVirtualKey key) {
    return {key, TModifiers::Alt};
}
constexpr TShortcut NoKey() {
    return {};
}

constexpr TKeyBinding SendsCode(std::string_view name, TShortcut key, std::uint8_t code) {
    return {name, key, TKeySend::QnxCode, code, {}, false};
}
constexpr TKeyBinding SendsByte(std::string_view name, TShortcut key, std::uint8_t byte) {
    return {name, key, TKeySend::Byte, byte, {}, false};
}
constexpr TKeyBinding SendsEscape(std::string_view name, TShortcut key, std::string_view text) {
    return {name, key, TKeySend::EscapeSequence, 0, text, false};
}
constexpr TKeyBinding SendsNothing(std::string_view name, TShortcut key = NoKey()) {
    return {name, key, TKeySend::Nothing, 0, {}, false};
}
// Esc: one byte, after the shell has hidden the help window.
constexpr TKeyBinding SendsEsc(std::string_view name, TShortcut key) {
    return {name, key, TKeySend::Byte, 0x1B, {}, true};
}

} // namespace lemnar
