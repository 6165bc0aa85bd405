#pragma once
// Modal message boxes titled "Lemnar". Tests install a hook that records what
// would have been shown and answers instead of blocking.

#include <functional>
#include <string>

class QWidget;

namespace lemnar {

enum class TMessageKind {
    Ok,           // OK button, no icon
    YesNoQuestion // Yes and No buttons, question icon
};

// The button pressed, with the values of the classic message-box call.
constexpr int IdOk = 1;
constexpr int IdYes = 6;
constexpr int IdNo = 7;

using TMessageBoxHook = std::function<int(const std::string& textUtf8, TMessageKind kind)>;

// Replaces the real boxes while set; an empty hook restores them.
void SetMessageBoxHook(TMessageBoxHook hook);

// Shows text (UTF-8) and returns the button pressed.
int ShowMessageBox(QWidget* parent, const std::string& textUtf8,
                   TMessageKind kind = TMessageKind::Ok);

} // namespace lemnar
