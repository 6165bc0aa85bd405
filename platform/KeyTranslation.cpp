#include "platform/KeyTranslation.h"

#include "keyboard/Cp1251.h"

#include <QKeyEvent>

namespace lemnar {

namespace {

TVirtualKey FromQtKey(int key, bool keypad) {
    if (keypad) {
        switch (key) {
        case Qt::Key_Minus:
            return VkSubtract;
        case Qt::Key_Plus:
            return VkAdd;
        case Qt::Key_Asterisk:
            return VkMultiply;
        case Qt::Key_5:
            return VkNumpad5;
        case Qt::Key_Clear:
            return VkClear;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<TVirtualKey>(VkA + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<TVirtualKey>(VkF1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VkReturn;
    case Qt::Key_Escape:
        return VkEscape;
    case Qt::Key_PageUp:
        return VkPrior;
    case Qt::Key_PageDown:
        return VkNext;
    case Qt::Key_End:
        return VkEnd;
    case Qt::Key_Home:
        return VkHome;
    case Qt::Key_Left:
        return VkLeft;
    case Qt::Key_Up:
        return VkUp;
    case Qt::Key_Right:
        return VkRight;
    case Qt::Key_Down:
        return VkDown;
    case Qt::Key_Print:
    case Qt::Key_SysReq:
        return VkSnapshot;
    case Qt::Key_Insert:
        return VkInsert;
    case Qt::Key_Delete:
        return VkDelete;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return VkOemMinus;
    case Qt::Key_Clear:
        return VkClear;
    default:
        return VkNone;
    }
}

} // namespace

TKeyEventInfo TranslateKeyEvent(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    TKeyEventInfo info;
    info.VirtualKey = FromQtKey(event.key(), m.testFlag(Qt::KeypadModifier));
    TModifiers mods = TModifiers::None;
    // Shift+Tab arrives as Backtab with Shift held.
    if (m.testFlag(Qt::ShiftModifier) || event.key() == Qt::Key_Backtab)
        mods = mods | TModifiers::Shift;
    if (m.testFlag(Qt::ControlModifier))
        mods = mods | TModifiers::Ctrl;
    if (m.testFlag(Qt::AltModifier))
        mods = mods | TModifiers::Alt;
    info.Modifiers = mods;
    return info;
}

int UnicodeToKeyByte(char32_t ch) {
    return UnicodeToCp1251(ch);
}

} // namespace lemnar
