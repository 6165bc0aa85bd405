// Keypad keys of the QNX key-down path: which code each key and modifier set
// gives, with no modifier tested first, then Ctrl, then Alt.

#include "keyboard/KeypadKeys.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace lemnar {
namespace {

constexpr TModifiers Shift = TModifiers::Shift;
constexpr TModifiers Ctrl = TModifiers::Ctrl;
constexpr TModifiers Alt = TModifiers::Alt;
constexpr TModifiers None = TModifiers::None;

struct TKeypadCase {
    std::uint8_t Key;
    TModifiers Modifiers;
    int Code;
};

TEST(KeypadKeys, CodeFollowsKeyAndFirstMatchingModifier) {
    const std::uint8_t minus = 0x6D;
    const std::uint8_t five = 0x65;
    const std::uint8_t plus = 0x6B;
    const std::uint8_t star = 0x6A;
    const TKeypadCase cases[] = {
        {minus, None, 0xA3},
        {minus, Ctrl, 0xB3},
        {minus, Alt, 0xC3},
        {minus, Ctrl | Alt, 0xB3},
        {minus, Shift | Ctrl, 0xB3},
        {minus, Shift | Alt, 0xC3},
        {minus, Shift, -1},
        {five, None, 0xA5},
        {five, Ctrl, 0xB5},
        {five, Alt, 0xC5},
        {five, Shift, -1},
        {plus, None, 0xA7},
        {plus, Ctrl, 0xB7},
        {plus, Alt, 0xC7},
        {plus, Ctrl | Alt | Shift, 0xB7},
        {plus, Shift, -1},
        {star, None, -1},
        {star, Ctrl, -1},
        {star, Ctrl | Alt, -1},
        {star, Alt, 0xCD},
        {star, Shift | Alt, 0xCD},
        {star, Shift, -1},
        // Keypad 5 with Num Lock off is not keypad 5.
        {0x0C, None, -1},
        {0x0C, Ctrl, -1},
        // The main keyboard's minus and other keys are not handled here.
        {0xBD, None, -1},
        {0xBD, Ctrl, -1},
        {0x70, None, -1},
        {0x2C, None, -1},
    };
    for (const TKeypadCase& c : cases) {
        EXPECT_EQ(KeypadQnxCode(c.Key, c.Modifiers), c.Code)
            << "key " << int(c.Key) << " mods " << int(c.Modifiers);
    }
}

} // namespace
} // namespace lemnar
