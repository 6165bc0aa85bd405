#pragma once
// The shell's record of settings and start-up flags. Text fields are fixed-size,
// NUL-terminated byte arrays; every writer goes through SetField, which never
// writes past a field and cuts what does not fit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lemnar {

constexpr std::size_t PathFieldSize = 260; // 259 characters and the NUL
// 255 characters: "ssh://user@host:port" with a full-length domain name.
constexpr std::size_t HostFieldSize = 256;
constexpr std::size_t LoginFieldSize = 20;
constexpr std::size_t PasswordFieldSize = 128;

// Directories held in the record end in this separator.
constexpr char PathSeparator = '/';

struct TShellState {
    char ProgramDir[PathFieldSize] = {};
    char SettingsPath[PathFieldSize] = {};
    char Host[HostFieldSize] = {};
    char Login[LoginFieldSize] = {};
    char Password[PasswordFieldSize] = {};
    char SaveDir[PathFieldSize] = {};
    char HelpPath[PathFieldSize] = {};
    char LogPath[PathFieldSize] = {};
    char ScriptPath[PathFieldSize] = {};

    int ScriptMode = 0; // 0 none, 1 to run or running, 2 sent completely
    int HostKnown = 0;
    int LoginKnown = 0;
    int ExitOnDisconnect = 2; // 2: not given yet, the settings file decides
    int StartHidden = 0;
    int QuietMode = 0;
    int HelpAvailable = 0;
    std::uint8_t Quitting = 0;

    // Captions are only shown, so they are ordinary UTF-8 strings.
    std::string BaseCaption;
    std::string DisconnectedCaption;
    std::string StatusCaption;
};

// Copies value into a field of size bytes and terminates it. A longer value is
// cut to size - 1 bytes, moved back to a UTF-8 character boundary when the cut
// would split a character. true: the value fit whole.
bool SetField(char* field, std::size_t size, std::string_view value);

template <std::size_t N> bool SetField(char (&field)[N], std::string_view value) {
    return SetField(field, N, value);
}

// The text of a field up to its NUL; a field without one is taken whole.
template <std::size_t N> std::string_view FieldText(const char (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') {
        ++length;
    }
    return {field, length};
}

// dir with PathSeparator added unless it already ends in one.
std::string WithSeparator(std::string_view dir);

// Start values that come from the program's surroundings: ProgramDir and
// SettingsPath from the executable's directory, the two fixed captions, and
// SaveDir from the current directory (empty: none known). false: the
// settings path does not fit its field, and the program cannot go on.
bool InitShellState(TShellState& state, std::string_view programDir, std::string_view currentDir,
                    std::string_view baseCaption);

} // namespace lemnar
