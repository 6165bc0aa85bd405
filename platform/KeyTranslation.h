#pragma once
// Qt key events as the key maps see them: a virtual-key code and the held
// modifiers.

#include "keyboard/VirtualKey.h"

class QKeyEvent;

namespace lemnar {

struct TKeyEventInfo {
    TVirtualKey VirtualKey = VkNone;
    TModifiers Modifiers = TModifiers::None;
};

TKeyEventInfo TranslateKeyEvent(const QKeyEvent& event);

// The code page 1251 byte typed for a character, or -1 when there is none.
int UnicodeToKeyByte(char32_t ch);

} // namespace lemnar
