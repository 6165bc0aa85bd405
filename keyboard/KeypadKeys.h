#pragma once
// The numeric keypad keys of a QNX connection, which the key map cannot
// express: keypad -, 5, + and * with their modifiers give a QNX key code from
// the key-down handler. The key is not consumed, so a character that the key
// also produces follows through the key-press path.

#include "keyboard/VirtualKey.h"

#include <array>

namespace lemnar {

struct TKeypadCodes {
    TVirtualKey Key;
    int Plain; // -1: nothing
    int Ctrl;
    int Alt;
};

// Keypad 5 counts only as VkNumpad5, that is with Num Lock on.
inline constexpr std::array<TKeypadCodes, 4> KeypadCodeTable = {{
    {VkSubtract, 0xA3, 0xB3, 0xC3},
    {VkNumpad5, 0xA5, 0xB5, 0xC5},
    {VkAdd, 0xA7, 0xB7, 0xC7},
    {VkMultiply, -1, -1, 0xCD},
}};

// The QNX key code for a key-down in QNX mode, or -1. The tests run in the
// order no modifier (empty set), Ctrl, Alt, and the first that holds decides:
// Ctrl+Alt+keypad - gives B3; Shift alone gives nothing.
int KeypadQnxCode(TVirtualKey key, TModifiers modifiers);

} // namespace lemnar
