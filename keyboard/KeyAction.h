#pragma once
// Running a key map binding: what its handler sends. Hiding the help window
// for the Esc bindings (HidesHelp) is the shell's part and comes first.

#include "keyboard/KeyBinding.h"
#include "keyboard/KeyOutput.h"

#include <cstdint>

namespace lemnar {

// A QNX key code as the console expects it: 0xFF doubled for telnet, then the
// code, as three separate SendCh calls.
void SendQnxCode(TKeyOutput& output, std::uint8_t code);

// Sends the binding's bytes when connected; nothing otherwise.
void ExecuteKeyAction(const TKeyBinding& binding, bool connected, TKeyOutput& output);

} // namespace lemnar
