#include "keyboard/KeyCodePage.h"

#include "keyboard/Cp1251.h"

namespace lemnar {

std::uint8_t TranslateTypedByte(std::uint8_t typed) {
    if (typed < 0x80) {
        return typed;
    }
    return KeyCodePageTable[typed - 0x80];
}

int KeyPressByte(char32_t ch) {
    const int typed = UnicodeToCp1251(ch);
    if (typed < 0) {
        return -1;
    }
    return TranslateTypedByte(static_cast<std::uint8_t>(typed));
}

} // namespace lemnar
