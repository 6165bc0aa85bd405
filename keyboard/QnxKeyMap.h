#pragma once
// Keyz_QNX: the key map of a QNX connection. Function, cursor and editing
// keys send the console's key code as FF FF code (0xFF doubled for telnet);
// Enter, Backspace, Tab, Esc and Ctrl+- send one control byte. From
// QNX_ShiftTab each binding takes the next key code, 0x80 to 0xFC, keyless
// bindings included; 0xA0-0xCF is the grid of the editing keys with their
// Ctrl (+0x10) and Alt (+0x20) variants.
//
// Three bindings whose keys are not plain shortcut names are resolved here:
// - QNX_AltF12 is bound to Alt+F12 and sends FF FF CF, the grid's Alt+F12
//   code, rather than swallowing a key that console programs can use.
// - QNX_AltAsterisk has no key. Alt+keypad * must reach the key-down handler,
//   which sends FF FF CD; a binding would consume the key before it got there.
// - QNX_SysRq is Shift+Print Screen and sends FF FF DD. Print Screen with a
//   modifier never captures the screen, so nothing is lost.
// Keypad -, 5 and + have no key here either: their codes come from the
// key-down handler (KeypadKeys.h).

#include "keyboard/KeyBinding.h"
#include "keyboard/VirtualKey.h"

#include <array>

namespace lemnar {

inline constexpr std::array<TKeyBinding, KeyMapSize> Keyz_QNX = {
    SendsCode("QNX_ShiftTab", ShiftKey(VkTab), 0x80),
    SendsCode("QNX_F1", PlainKey(VkF1), 0x81),
    SendsCode("QNX_F2", PlainKey(VkF2), 0x82),
    SendsCode("QNX_F3", PlainKey(VkF3), 0x83),
    SendsCode("QNX_F4", PlainKey(VkF4), 0x84),
    SendsCode("QNX_F5", PlainKey(VkF5), 0x85),
    SendsCode("QNX_F6", PlainKey(VkF6), 0x86),
    SendsCode("QNX_F7", PlainKey(VkF7), 0x87),
    SendsCode("QNX_F8", PlainKey(VkF8), 0x88),
    SendsCode("QNX_F9", PlainKey(VkF9), 0x89),
    SendsCode("QNX_F10", PlainKey(VkF10), 0x8A),
    SendsCode("QNX_ShiftF1", ShiftKey(VkF1), 0x8B),
    SendsCode("QNX_ShiftF2", ShiftKey(VkF2), 0x8C),
    SendsCode("QNX_ShiftF3", ShiftKey(VkF3), 0x8D),
    SendsCode("QNX_ShiftF4", ShiftKey(VkF4), 0x8E),
    SendsCode("QNX_ShiftF5", ShiftKey(VkF5), 0x8F),
    SendsCode("QNX_ShiftF6", ShiftKey(VkF6), 0x90),
    SendsCode("QNX_ShiftF7", ShiftKey(VkF7), 0x91),
    SendsCode("QNX_ShiftF8", ShiftKey(VkF8), 0x92),
    SendsCode("QNX_ShiftF9", ShiftKey(VkF9), 0x93),
    SendsCode("QNX_ShiftF10", ShiftKey(VkF10), 0x94),
    SendsCode("QNX_CtrlF1", CtrlKey(VkF1), 0x95),
    SendsCode("QNX_CtrlF2", CtrlKey(VkF2), 0x96),
    SendsCode("QNX_CtrlF3", CtrlKey(VkF3), 0x97),
    SendsCode("QNX_CtrlF4", CtrlKey(VkF4), 0x98),
    SendsCode("QNX_CtrlF5", CtrlKey(VkF5), 0x99),
    SendsCode("QNX_CtrlF6", CtrlKey(VkF6), 0x9A),
    SendsCode("QNX_CtrlF7", CtrlKey(VkF7), 0x9B),
    SendsCode("QNX_CtrlF8", CtrlKey(VkF8), 0x9C),
    SendsCode("QNX_CtrlF9", CtrlKey(VkF9), 0x9D),
    SendsCode("QNX_CtrlF10", CtrlKey(VkF10), 0x9E),
    SendsCode("QNX_CtrlTab", CtrlKey(VkTab), 0x9F),
    // 0xA0-0xAF: the editing keys without modifier
    SendsCode("QNX_Home", PlainKey(VkHome), 0xA0),
    SendsCode("QNX_CursorUp", PlainKey(VkUp), 0xA1),
    SendsCode("QNX_PageUp", PlainKey(VkPrior), 0xA2),
    SendsNothing("QNX_Minus"), // A3: key-down handler
    SendsCode("QNX_CursorLeft", PlainKey(VkLeft), 0xA4),
    SendsNothing("QNX_Five"), // A5: key-down handler
    SendsCode("QNX_CursorRight", PlainKey(VkRight), 0xA6),
    SendsNothing("QNX_Plus"), // A7: key-down handler
    SendsCode("QNX_End", PlainKey(VkEnd), 0xA8),
    SendsCode("QNX_CursorDown", PlainKey(VkDown), 0xA9),
    SendsCode("QNX_PageDown", PlainKey(VkNext), 0xAA),
    SendsCode("QNX_Insert", PlainKey(VkInsert), 0xAB),
    SendsCode("QNX_Delete", PlainKey(VkDelete), 0xAC),
    SendsNothing("QNX_PrintScreen"), // AD: never sent
    SendsCode("QNX_F11", PlainKey(VkF11), 0xAE),
    SendsCode("QNX_F12", PlainKey(VkF12), 0xAF),
    // 0xB0-0xBF: Ctrl
    SendsCode("QNX_CtrlHome", CtrlKey(VkHome), 0xB0),
    SendsCode("QNX_CtrlCursorUp", CtrlKey(VkUp), 0xB1),
    SendsCode("QNX_CtrlPageUp", CtrlKey(VkPrior), 0xB2),
    SendsByte("QNX_CtrlMinus", CtrlKey(VkOemMinus), 0x1F), // main minus key; keypad gives B3
    SendsCode("QNX_CtrlCursorLeft", CtrlKey(VkLeft), 0xB4),
    SendsNothing("QNX_CtrlFive"),
    SendsCode("QNX_CtrlCursorRight", CtrlKey(VkRight), 0xB6),
    SendsNothing("QNX_CtrlPlus"),
    SendsCode("QNX_CtrlEnd", CtrlKey(VkEnd), 0xB8),
    SendsCode("QNX_CtrlCursorDown", CtrlKey(VkDown), 0xB9),
    SendsCode("QNX_CtrlPageDown", CtrlKey(VkNext), 0xBA),
    SendsCode("QNX_CtrlInsert", CtrlKey(VkInsert), 0xBB),
    SendsCode("QNX_CtrlDelete", CtrlKey(VkDelete), 0xBC),
    SendsNothing("QNX_CtrlPrintScreen"), // BD: never sent
    SendsCode("QNX_CtrlF11", CtrlKey(VkF11), 0xBE),
    SendsCode("QNX_CtrlF12", CtrlKey(VkF12), 0xBF),
    // 0xC0-0xCF: Alt
    SendsCode("QNX_AltHome", AltKey(VkHome), 0xC0),
    SendsCode("QNX_AltCursorUp", AltKey(VkUp), 0xC1),
    SendsCode("QNX_AltPageUp", AltKey(VkPrior), 0xC2),
    SendsNothing("QNX_AltMinus"),
    SendsCode("QNX_AltCursorLeft", AltKey(VkLeft), 0xC4),
    SendsNothing("QNX_AltFive"),
    SendsCode("QNX_AltCursorRight", AltKey(VkRight), 0xC6),
    SendsNothing("QNX_AltPlus"),
    SendsCode("QNX_AltEnd", AltKey(VkEnd), 0xC8),
    SendsCode("QNX_AltCursorDown", AltKey(VkDown), 0xC9),
    SendsCode("QNX_AltPageDown", AltKey(VkNext), 0xCA),
    SendsCode("QNX_AltInsert", AltKey(VkInsert), 0xCB),
    SendsCode("QNX_AltDelete", AltKey(VkDelete), 0xCC),
    SendsNothing("QNX_AltAsterisk"), // CD: key-down handler
    SendsCode("QNX_AltF11", AltKey(VkF11), 0xCE),
    SendsCode("QNX_AltF12", AltKey(VkF12), 0xCF),
    SendsCode("QNX_CtrlEnter", CtrlKey(VkReturn), 0xD0),
    SendsCode("QNX_AltF1", AltKey(VkF1), 0xD1),
    SendsCode("QNX_AltF2", AltKey(VkF2), 0xD2),
    SendsCode("QNX_AltF3", AltKey(VkF3), 0xD3),
    SendsCode("QNX_AltF4", AltKey(VkF4), 0xD4),
    SendsCode("QNX_AltF5", AltKey(VkF5), 0xD5),
    SendsCode("QNX_AltF6", AltKey(VkF6), 0xD6),
    SendsCode("QNX_AltF7", AltKey(VkF7), 0xD7),
    SendsCode("QNX_AltF8", AltKey(VkF8), 0xD8),
    SendsCode("QNX_AltF9", AltKey(VkF9), 0xD9),
    SendsCode("QNX_AltF10", AltKey(VkF10), 0xDA),
    SendsCode("QNX_ShiftF11", ShiftKey(VkF11), 0xDB),
    SendsCode("QNX_ShiftF12", ShiftKey(VkF12), 0xDC),
    SendsCode("QNX_SysRq", ShiftKey(VkSnapshot), 0xDD),
    SendsCode("QNX_CtrlBksp", CtrlKey(VkBack), 0xDE),
    SendsCode("QNX_AltBksp", AltKey(VkBack), 0xDF),
    SendsCode("QNX_ShiftEnter", ShiftKey(VkReturn), 0xE0),
    SendsCode("QNX_AltA", AltKey(VkLetter('A')), 0xE1),
    SendsCode("QNX_AltB", AltKey(VkLetter('B')), 0xE2),
    SendsCode("QNX_AltC", AltKey(VkLetter('C')), 0xE3),
    SendsCode("QNX_AltD", AltKey(VkLetter('D')), 0xE4),
    SendsCode("QNX_AltE", AltKey(VkLetter('E')), 0xE5),
    SendsCode("QNX_AltF", AltKey(VkLetter('F')), 0xE6),
    SendsCode("QNX_AltG", AltKey(VkLetter('G')), 0xE7),
    SendsCode("QNX_AltH", AltKey(VkLetter('H')), 0xE8),
    SendsCode("QNX_AltI", AltKey(VkLetter('I')), 0xE9),
    SendsCode("QNX_AltJ", AltKey(VkLetter('J')), 0xEA),
    SendsCode("QNX_AltK", AltKey(VkLetter('K')), 0xEB),
    SendsCode("QNX_AltL", AltKey(VkLetter('L')), 0xEC),
    SendsCode("QNX_AltM", AltKey(VkLetter('M')), 0xED),
    SendsCode("QNX_AltN", AltKey(VkLetter('N')), 0xEE),
    SendsCode("QNX_AltO", AltKey(VkLetter('O')), 0xEF),
    SendsCode("QNX_AltP", AltKey(VkLetter('P')), 0xF0),
    SendsCode("QNX_AltQ", AltKey(VkLetter('Q')), 0xF1),
    SendsCode("QNX_AltR", AltKey(VkLetter('R')), 0xF2),
    SendsCode("QNX_AltS", AltKey(VkLetter('S')), 0xF3),
    SendsCode("QNX_AltT", AltKey(VkLetter('T')), 0xF4),
    SendsCode("QNX_AltU", AltKey(VkLetter('U')), 0xF5),
    SendsCode("QNX_AltV", AltKey(VkLetter('V')), 0xF6),
    SendsCode("QNX_AltW", AltKey(VkLetter('W')), 0xF7),
    SendsCode("QNX_AltX", AltKey(VkLetter('X')), 0xF8),
    SendsCode("QNX_AltY", AltKey(VkLetter('Y')), 0xF9),
    SendsCode("QNX_AltZ", AltKey(VkLetter('Z')), 0xFA),
    SendsCode("QNX_AltEnter", AltKey(VkReturn), 0xFB),
    SendsCode("QNX_ShiftBkSp", ShiftKey(VkBack), 0xFC),
    // Single bytes. Backspace is DEL, not BS.
    SendsByte("QNX_Enter", PlainKey(VkReturn), 0x0D),
    SendsByte("QNX_Bksp", PlainKey(VkBack), 0x7F),
    SendsByte("QNX_Tab", PlainKey(VkTab), 0x09),
    SendsEsc("QNX_Esc", PlainKey(VkEscape)),
};

} // namespace lemnar
