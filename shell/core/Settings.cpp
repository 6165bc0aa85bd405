#include "shell/core/Settings.h"

#include "shell/core/FilePlaces.h"
#include "shell/core/LogFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace lemnar {

namespace {

// Longest values read back: Logfile leaves room in LogPath as the program has
// always done, and SaveDir is read back shorter than its field.
constexpr std::size_t LogfileReadLength = 258;
constexpr std::size_t SaveDirReadLength = 255;

std::string ReadSetting(const TIniFile& ini, std::string_view key, std::size_t maxLength) {
    return ini.ReadString(SettingsSection, key, "", maxLength);
}

bool FileOpensForReading(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

// The help file beside the program, else the installed one in the data
// directory. With neither, HelpPath names the one beside the program, the
// name the help window then reports as missing.
void FindHelpFile(TShellState& state) {
    const std::string programDir(FieldText(state.ProgramDir));
    SetField(state.HelpPath, programDir + std::string(HelpFileName));
    state.HelpAvailable = FileOpensForReading(state.HelpPath);
    const std::string installed = DataDir(programDir) + std::string(HelpFileName);
    // A path too long for the field would name another file.
    if (state.HelpAvailable == 0 && installed.size() < sizeof(state.HelpPath) &&
        FileOpensForReading(installed.c_str())) {
        SetField(state.HelpPath, installed);
        state.HelpAvailable = 1;
    }
}

} // namespace

TWindowGeometry ReadWindowSettings(const TStartOptions& options, const TIniFile& ini,
                                   int currentLeft, int currentTop, int currentFontSize) {
    TWindowGeometry window = options.Window;
    if (!options.LeftGiven) {
        window.Left = ini.ReadInteger(SettingsSection, "XCoord", currentLeft);
    }
    if (!options.TopGiven) {
        window.Top = ini.ReadInteger(SettingsSection, "YCoord", currentTop);
    }
    if (!options.WidthGiven) {
        window.Width = ini.ReadInteger(SettingsSection, "Width", 640);
    }
    if (!options.HeightGiven) {
        window.Height = ini.ReadInteger(SettingsSection, "Height", 480);
    }
    if (!options.FontSizeGiven) {
        window.FontSize = ini.ReadInteger(SettingsSection, "FontSize", currentFontSize);
    }
    return window;
}

std::optional<std::string> ReadLogSetting(TShellState& state, TStartOptions& options,
                                          const TIniFile& ini) {
    if (options.LogGiven) {
        return std::nullopt;
    }
    SetField(state.LogPath, ReadSetting(ini, "Logfile", LogfileReadLength));
    if (state.LogPath[0] == '\0') {
        return std::nullopt;
    }
    options.LogEnabled = TestLog(state.LogPath);
    if (!options.LogEnabled) {
        return std::string(LogOpenErrorText);
    }
    return std::nullopt;
}

void ReadLateSettings(TShellState& state, const TStartOptions& options, bool logEnabled,
                      const TIniFile& ini) {
    // Runs before the file's ExitOnDisconnect is read: only E counts here.
    state.QuietMode = logEnabled && (state.StartHidden == 1 || state.ExitOnDisconnect == 1);

    if (state.Login[0] == '\0') {
        SetField(state.Login, ReadSetting(ini, "Login", LoginFieldSize - 1));
        state.LoginKnown = state.Login[0] != '\0';
    }
    // Host is read back as long as its field, since SaveSettings writes it
    // whole: a name with a port or a long domain name comes back uncut.
    if (state.Host[0] == '\0') {
        SetField(state.Host, ReadSetting(ini, "Host", HostFieldSize - 1));
        state.HostKnown = state.Host[0] != '\0';
    }
    if (state.ExitOnDisconnect == 2) {
        const std::string value = ini.ReadString(SettingsSection, "ExitOnDisconnect", "0");
        state.ExitOnDisconnect = !value.empty() && value[0] == '1';
    }
    if (!options.HelpGiven) {
        FindHelpFile(state);
    }
}

namespace {

// A key that holds a plain number (digits only), at most most; def for
// anything else, so a typing error never turns a feature off.
int ReadBoundedSetting(const TIniFile& ini, const char* key, int def, int most) {
    const std::string value = ini.ReadString(SettingsSection, key, "");
    // from_chars would take a sign.
    if (value.empty() || value[0] < '0' || value[0] > '9')
        return def;
    int number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, number);
    if (error == std::errc::result_out_of_range)
        return most;
    if (error != std::errc() || stop != end)
        return def;
    return std::min(number, most);
}

} // namespace

int ReadScrollbackSetting(const TIniFile& ini, int def) {
    return ReadBoundedSetting(ini, "Scrollback", def, MaxScrollbackRows);
}

int ReadKeepAliveSetting(const TIniFile& ini) {
    return ReadBoundedSetting(ini, "KeepAlive", DefaultKeepAliveSeconds, MaxKeepAliveSeconds);
}

void RestoreSettingsFields(TShellState& state, const TIniFile& ini) {
    SetField(state.Login, ReadSetting(ini, "Login", LoginFieldSize - 1));
    SetField(state.Host, ReadSetting(ini, "Host", HostFieldSize - 1));
    SetField(state.SaveDir, ReadSetting(ini, "SaveDir", SaveDirReadLength));
}

bool SaveSettings(const TShellState& state, const TIniFile& ini, bool logEnabled,
                  const TWindowGeometry& window) {
    const std::pair<std::string_view, std::string> keys[] = {
        {"Host", std::string(FieldText(state.Host))},
        {"Login", std::string(FieldText(state.Login))},
        {"SaveDir", std::string(FieldText(state.SaveDir))},
        {"HelpPath", std::string(FieldText(state.HelpPath))},
        {"Logfile", logEnabled ? std::string(FieldText(state.LogPath)) : std::string()},
        {"XCoord", std::to_string(window.Left)},
        {"YCoord", std::to_string(window.Top)},
        {"Width", std::to_string(window.Width)},
        {"Height", std::to_string(window.Height)},
        {"FontSize", std::to_string(window.FontSize)},
        {"ExitOnDisconnect", std::to_string(state.ExitOnDisconnect)},
    };
    bool allWritten = true;
    for (const auto& [key, value] : keys) {
        allWritten = ini.WriteString(SettingsSection, key, value) && allWritten;
    }
    return allWritten;
}

std::string SettingsNotSavedText(std::string_view path) {
    std::string text = "Не удалось сохранить настройки в файл ";
    text += path;
    return text;
}

} // namespace lemnar
