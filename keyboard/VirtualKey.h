#pragma once
// Key identities of the key maps, without any toolkit: a key is its Windows
// virtual-key code and a shortcut is that key with an exact set of held
// modifiers. The platform layer translates its key events into these.
//
// The names are Vk... rather than VK_... so that they never collide with the
// VK_ macros of a platform header included in the same file.

#include <cstdint>

namespace lemnar {

using TVirtualKey = std::uint8_t;

constexpr TVirtualKey VkNone = 0x00; // no key: a binding without a shortcut
constexpr TVirtualKey VkBack = 0x08;
constexpr TVirtualKey VkTab = 0x09;
constexpr TVirtualKey VkClear = 0x0C; // keypad 5 with Num Lock off
constexpr TVirtualKey VkReturn = 0x0D;
constexpr TVirtualKey VkEscape = 0x1B;
constexpr TVirtualKey VkPrior = 0x21; // PgUp
constexpr TVirtualKey VkNext = 0x22;  // PgDn
constexpr TVirtualKey VkEnd = 0x23;
constexpr TVirtualKey VkHome = 0x24;
constexpr TVirtualKey VkLeft = 0x25;
constexpr TVirtualKey VkUp = 0x26;
constexpr TVirtualKey VkRight = 0x27;
constexpr TVirtualKey VkDown = 0x28;
constexpr TVirtualKey VkSnapshot = 0x2C; // Print Screen
constexpr TVirtualKey VkInsert = 0x2D;
constexpr TVirtualKey VkDelete = 0x2E;
constexpr TVirtualKey VkA = 0x41; // letters A..Z are 0x41..0x5A, as their ASCII capitals
constexpr TVirtualKey VkZ = 0x5A;
constexpr TVirtualKey VkNumpad5 = 0x65;
constexpr TVirtualKey VkMultiply = 0x6A; // keypad *
constexpr TVirtualKey VkAdd = 0x6B;      // keypad +
constexpr TVirtualKey VkSubtract = 0x6D; // keypad -
constexpr TVirtualKey VkF1 = 0x70;
constexpr TVirtualKey VkF2 = 0x71;
constexpr TVirtualKey VkF3 = 0x72;
constexpr TVirtualKey VkF4 = 0x73;
constexpr TVirtualKey VkF5 = 0x74;
constexpr TVirtualKey VkF6 = 0x75;
constexpr TVirtualKey VkF7 = 0x76;
constexpr TVirtualKey VkF8 = 0x77;
constexpr TVirtualKey VkF9 = 0x78;
constexpr TVirtualKey VkF10 = 0x79;
constexpr TVirtualKey VkF11 = 0x7A;
constexpr TVirtualKey VkF12 = 0x7B;
constexpr TVirtualKey VkOemMinus = 0xBD; // the main keyboard's minus key

// The letter key of an ASCII capital 'A'..'Z'.
constexpr TVirtualKey VkLetter(char capital) {
    return static_cast<TVirtualKey>(VkA + (capital - 'A'));
}

// A set of held modifiers. Keys never set any other flag.
enum class TModifiers : std::uint8_t {
    None = 0,
    Shift = 1,
    Ctrl = 2,
    Alt = 4,
};

constexpr TModifiers operator|(TModifiers a, TModifiers b) {
    return static_cast<TModifiers>(static_cast<std::uint8_t>(a) | static_cast<std::uint8_t>(b));
}

// True when every modifier of `flags` is held in `set` (others may be held too).
constexpr bool Holds(TModifiers set, TModifiers flags) {
    return (static_cast<std::uint8_t>(set) & static_cast<std::uint8_t>(flags)) ==
           static_cast<std::uint8_t>(flags);
}

// A key with the exact modifier set that must be held for it to match.
struct TShortcut {
    TVirtualKey Key = VkNone;
    TModifiers Modifiers = TModifiers::None;

    constexpr bool HasKey() const { return Key != VkNone; }
    friend constexpr bool operator==(const TShortcut&, const TShortcut&) = default;
};

} // namespace lemnar
