#include "keyboard/KeypadKeys.h"

namespace lemnar {

int KeypadQnxCode(TVirtualKey key, TModifiers modifiers) {
    for (const TKeypadCodes& row : KeypadCodeTable) {
        if (row.Key != key) {
            continue;
        }
        if (modifiers == TModifiers::None) {
            return row.Plain;
        }
        if (Holds(modifiers, TModifiers::Ctrl)) {
            return row.Ctrl;
        }
        if (Holds(modifiers, TModifiers::Alt)) {
            return row.Alt;
        }
        return -1;
    }
    return -1;
}

} // namespace lemnar
