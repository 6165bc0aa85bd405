#pragma once
// Short names for the modifier sets the key tests press.

#include <Qt>

namespace lemnar::test {

inline constexpr Qt::KeyboardModifiers None = Qt::NoModifier;
inline constexpr Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;
inline constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
inline constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
inline constexpr Qt::KeyboardModifiers Alt = Qt::AltModifier;

} // namespace lemnar::test
