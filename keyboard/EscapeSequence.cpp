#include "keyboard/EscapeSequence.h"

#include <algorithm>

namespace lemnar {

std::string BuildEscapeSequence(std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), EscapeTextMax));
    std::string bytes(1, '\x1B');
    bytes.append(text);
    return bytes;
}

void SendEscapeSequence(TKeyOutput& output, std::string_view text) {
    output.WriteBytes(BuildEscapeSequence(text));
}

} // namespace lemnar
