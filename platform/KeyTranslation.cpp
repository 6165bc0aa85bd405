#include "platform/KeyTranslation.h"

#include "keyboard/Cp1251.h"

#include <QKeyEvent>

namespace lemnar {

namespace {

TVirtualKey FromKeypadKey(int key) {
    switch (key) {
    case Qt::Key_Minus:
        return VkSubtract;
    case Qt::Key_Plus:
        return VkAdd;
    case Qt::Key_Asterisk:
        return VkMultiply;
    case Qt::Key_5:
        return VkNumpad5;
    default:
        return VkNone;
    }
}

// Keys without a modifier meaning of their own. The keypad's navigation keys
// (Num Lock off) arrive as these keys too and count as them.
TVirtualKey FromQtKey(int key) {
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

// The Qt keys reported for a virtual key, most usual first.
QList<Qt::Key> QtKeysFor(TVirtualKey key) {
    if (key >= VkA && key <= VkZ)
        return {static_cast<Qt::Key>(Qt::Key_A + (key - VkA))};
    if (key >= VkF1 && key <= VkF12)
        return {static_cast<Qt::Key>(Qt::Key_F1 + (key - VkF1))};
    switch (key) {
    case VkBack:
        return {Qt::Key_Backspace};
    case VkTab:
        return {Qt::Key_Tab};
    case VkReturn:
        return {Qt::Key_Return, Qt::Key_Enter};
    case VkEscape:
        return {Qt::Key_Escape};
    case VkPrior:
        return {Qt::Key_PageUp};
    case VkNext:
        return {Qt::Key_PageDown};
    case VkEnd:
        return {Qt::Key_End};
    case VkHome:
        return {Qt::Key_Home};
    case VkLeft:
        return {Qt::Key_Left};
    case VkUp:
        return {Qt::Key_Up};
    case VkRight:
        return {Qt::Key_Right};
    case VkDown:
        return {Qt::Key_Down};
    case VkSnapshot:
        return {Qt::Key_Print, Qt::Key_SysReq};
    case VkInsert:
        return {Qt::Key_Insert};
    case VkDelete:
        return {Qt::Key_Delete};
    case VkOemMinus:
        return {Qt::Key_Minus};
    default:
        return {};
    }
}

Qt::KeyboardModifiers QtModifiers(TModifiers modifiers) {
    Qt::KeyboardModifiers m;
    if (Holds(modifiers, TModifiers::Shift))
        m |= Qt::ShiftModifier;
    if (Holds(modifiers, TModifiers::Ctrl))
        m |= Qt::ControlModifier;
    if (Holds(modifiers, TModifiers::Alt))
        m |= Qt::AltModifier;
    return m;
}

// The control byte that Ctrl makes of a key, or 0.
char32_t ControlCharacter(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<char32_t>(key - Qt::Key_A + 1);
    switch (key) {
    case Qt::Key_Backspace:
        return 0x7F;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0A;
    case Qt::Key_BracketLeft:
        return 0x1B;
    case Qt::Key_Backslash:
        return 0x1C;
    case Qt::Key_BracketRight:
        return 0x1D;
    default:
        return 0;
    }
}

} // namespace

TKeyEventInfo TranslateKeyEvent(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    TKeyEventInfo info;
    if (m.testFlag(Qt::KeypadModifier))
        info.VirtualKey = FromKeypadKey(event.key());
    if (info.VirtualKey == VkNone)
        info.VirtualKey = FromQtKey(event.key());
    TModifiers mods = TModifiers::None;
    // Shift+Tab arrives as Backtab, with or without Shift in the modifiers.
    if (m.testFlag(Qt::ShiftModifier) || event.key() == Qt::Key_Backtab)
        mods = mods | TModifiers::Shift;
    if (m.testFlag(Qt::ControlModifier))
        mods = mods | TModifiers::Ctrl;
    if (m.testFlag(Qt::AltModifier))
        mods = mods | TModifiers::Alt;
    info.Modifiers = mods;
    return info;
}

QList<QKeySequence> ShortcutKeys(TShortcut shortcut) {
    QList<QKeySequence> keys;
    if (!shortcut.HasKey())
        return keys;
    const Qt::KeyboardModifiers m = QtModifiers(shortcut.Modifiers);
    for (Qt::Key key : QtKeysFor(shortcut.Key))
        keys.append(QKeySequence(QKeyCombination(m, key)));
    if (shortcut.Key == VkTab && Holds(shortcut.Modifiers, TModifiers::Shift))
        keys.prepend(QKeySequence(QKeyCombination(m, Qt::Key_Backtab)));
    return keys;
}

std::u32string TypedCharacters(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    if (m.testFlag(Qt::AltModifier))
        return {};
    if (m.testFlag(Qt::ControlModifier)) {
        if (const char32_t control = ControlCharacter(event.key()); control != 0)
            return std::u32string(1, control);
        // Other Ctrl keys type only a control character the platform made.
        const QList<uint> text = event.text().toUcs4();
        if (text.size() == 1 && (text[0] < 0x20 || text[0] == 0x7F))
            return std::u32string(1, static_cast<char32_t>(text[0]));
        return {};
    }
    if (event.key() == Qt::Key_Delete)
        return {};
    std::u32string typed;
    for (uint ch : event.text().toUcs4())
        typed.push_back(static_cast<char32_t>(ch));
    return typed;
}

std::uint8_t UnicodeToKeyByte(char32_t ch) {
    const int byte = UnicodeToCp1251(ch);
    return static_cast<std::uint8_t>(byte >= 0 ? byte : '?');
}

} // namespace lemnar
