#pragma once
// Pasted text as the server gets it: each character as the key-press path
// types it (Unicode, then code page 1251 with '?' for a character that 1251
// lacks, then KeyCodePageTable), and each line end as one CR, which the
// engine's SendText sends by the carriage-return rule of SendCh.

#include <string>
#include <string_view>

namespace lemnar {

struct TPastedText {
    std::string Bytes;
    // Lines of the text: its line ends, and one more for text after the last.
    int Lines = 0;
};

// CR LF, LF and CR each end a line; other control characters (TAB, ESC, ...)
// go as they are.
TPastedText PasteBytes(std::u32string_view text);

} // namespace lemnar
