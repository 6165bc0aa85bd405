#pragma once
// Finding the binding that a key triggers. The shell asks only while a
// connection is open: at other times both maps are suspended and every key
// falls through to the key-down and key-press paths.

#include "keyboard/KeyBinding.h"
#include "keyboard/VirtualKey.h"

#include <span>

namespace lemnar {

// The map of a terminal type: 0 Keyz_QNX, 1 Keyz_ANSI, anything else (TTY)
// an empty map.
std::span<const TKeyBinding> KeyMapFor(int terminalType);

// The binding whose shortcut is exactly this key with exactly these
// modifiers, or nullptr. Keyless bindings never match.
const TKeyBinding* FindBinding(std::span<const TKeyBinding> map, TShortcut shortcut);
const TKeyBinding* FindBinding(int terminalType, TVirtualKey key, TModifiers modifiers);

} // namespace lemnar
