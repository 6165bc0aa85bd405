#include "keyboard/KeyMap.h"

#include "keyboard/AnsiKeyMap.h"
#include "keyboard/QnxKeyMap.h"

namespace lemnar {

std::span<const TKeyBinding> KeyMapFor(int terminalType) {
    switch (terminalType) {
    case 0: // QNX
        return Keyz_QNX;
    case 1: // ANSI
        return Keyz_ANSI;
    default:
        return {};
    }
}

const TKeyBinding* FindBinding(std::span<const TKeyBinding> map, TShortcut shortcut) {
    if (!shortcut.HasKey()) {
        return nullptr;
    }
    for (const TKeyBinding& binding : map) {
        if (binding.Shortcut == shortcut) {
            return &binding;
        }
    }
    return nullptr;
}

const TKeyBinding* FindBinding(int terminalType, TVirtualKey key, TModifiers modifiers) {
    return FindBinding(KeyMapFor(terminalType), TShortcut{key, modifiers});
}

} // namespace lemnar
