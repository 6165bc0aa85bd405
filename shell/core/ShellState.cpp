#include "shell/core/ShellState.h"

#include <algorithm>

namespace lemnar {

namespace {

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

bool SetField(char* field, std::size_t size, std::string_view value) {
    if (size == 0) {
        return value.empty();
    }
    std::size_t length = std::min(value.size(), size - 1);
    if (length < value.size()) {
        // A UTF-8 character is at most four bytes: step back over at most three
        // continuation bytes so the cut never leaves half a character.
        std::size_t cut = length;
        for (int step = 0; step < 3 && cut > 0 && IsUtf8Continuation(value[cut]); ++step) {
            --cut;
        }
        if (!IsUtf8Continuation(value[cut])) {
            length = cut;
        }
    }
    std::copy_n(value.data(), length, field);
    std::fill(field + length, field + size, '\0');
    return length == value.size();
}

std::string WithSeparator(std::string_view dir) {
    std::string result(dir);
    if (result.empty() || result.back() != PathSeparator) {
        result += PathSeparator;
    }
    return result;
}

bool InitShellState(TShellState& state, std::string_view programDir, std::string_view currentDir,
                    std::string_view baseCaption) {
    const std::string dir = WithSeparator(programDir);
    const bool fits =
        SetField(state.ProgramDir, dir) && SetField(state.SettingsPath, dir + "Lemnar.ini");
    state.BaseCaption = baseCaption;
    state.DisconnectedCaption = state.BaseCaption + " Отключено.";
    SetField(state.SaveDir, WithSeparator(currentDir));
    return fits;
}

} // namespace lemnar
