#include "platform/PastedText.h"

#include "keyboard/KeyCodePage.h"
#include "platform/KeyTranslation.h"

namespace lemnar {

TPastedText PasteBytes(std::u32string_view text) {
    TPastedText pasted;
    pasted.Bytes.reserve(text.size());
    bool lineOpen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t ch = text[i];
        if (ch == U'\r' || ch == U'\n') {
            if (ch == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n')
                ++i;
            pasted.Bytes += '\r';
            ++pasted.Lines;
            lineOpen = false;
            continue;
        }
        pasted.Bytes += static_cast<char>(TranslateTypedByte(UnicodeToKeyByte(ch)));
        lineOpen = true;
    }
    if (lineOpen)
        ++pasted.Lines;
    return pasted;
}

} // namespace lemnar
