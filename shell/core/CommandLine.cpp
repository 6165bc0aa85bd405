#include "shell/core/CommandLine.h"

#include "shell/core/Decimal.h"
#include "shell/core/LogFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace lemnar {

namespace {

bool CanOpenForReading(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The option an argument selects: its first character, folded to lower case
// except H, which stays apart from h.
char OptionOf(const std::string& arg) {
    if (arg.empty()) {
        return '\0';
    }
    return arg[0] == 'H' ? 'H' : Lower(arg[0]);
}

// The message for an option whose value is missing; nothing for options
// without a value and for characters that select nothing.
std::optional<std::string> MissingValueText(char option) {
    switch (option) {
    case '?':
        return "В строке запуска не указан путь к файлу помощи";
    case 'b':
        return "В строке запуска не указан файл сценария";
    case 'd':
        return "В строке запуска не указана директория сохранения экрана";
    case 'f':
        return "В строке запуска не указан размер шрифта";
    case 'H':
        return "В строке запуска не указана высота окна";
    case 'h':
        return "В строке запуска не указан адрес узла";
    case 'l':
        return "В строке запуска не указан логин";
    case 'p':
        return "В строке запуска не указан файл лога";
    case 't':
        return "В строке запуска не указан тип терминала";
    case 'w':
        return "В строке запуска не указана ширина окна";
    case 'x':
        return "В строке запуска не указана координата по X";
    case 'y':
        return "В строке запуска не указана координата по Y";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> ApplyTerminalType(const std::string& value, TStartOptions& options) {
    switch (value.empty() ? '\0' : Lower(value[0])) {
    case 'a':
        options.TerminalType = 1;
        options.TerminalName = "ANSI";
        return std::nullopt;
    case 'q':
        options.TerminalType = 0;
        options.TerminalName = "QNX";
        return std::nullopt;
    case 't':
        options.TerminalType = 2;
        options.TerminalName = "TTY";
        return std::nullopt;
    default:
        return "В строке запуска указан неизвестный тип терминала";
    }
}

// The directory is created with its parents here; a failure shows later,
// when a screen capture cannot be saved into it.
void ApplySaveDir(const std::string& value, TShellState& state) {
    SetField(state.SaveDir, WithSeparator(value));
    std::error_code ignored;
    std::filesystem::create_directories(std::string(FieldText(state.SaveDir)), ignored);
}

// One option with its value. The result is an error message, if any.
std::optional<std::string> ApplyValue(char option, const std::string& value, TShellState& state,
                                      TStartOptions& options) {
    switch (option) {
    case '?': // help file, probed for reading
        SetField(state.HelpPath, value);
        state.HelpAvailable = CanOpenForReading(state.HelpPath) ? 1 : 0;
        options.HelpGiven = true;
        return std::nullopt;
    case 'b': // script file: a script connection follows start-up
        SetField(state.ScriptPath, value);
        state.ScriptMode = 1;
        return std::nullopt;
    case 'd': // screen capture directory
        ApplySaveDir(value, state);
        return std::nullopt;
    case 'f':
        options.Window.FontSize = ReadDecimal(value);
        options.FontSizeGiven = true;
        return std::nullopt;
    case 'H':
        options.Window.Height = ReadDecimal(value);
        options.HeightGiven = true;
        return std::nullopt;
    case 'h':
        SetField(state.Host, value);
        state.HostKnown = 1;
        options.HostGiven = true;
        return std::nullopt;
    case 'l':
        SetField(state.Login, value);
        state.LoginKnown = 1;
        options.LoginGiven = true;
        return std::nullopt;
    case 'p': // log file, probed for appending
        SetField(state.LogPath, value);
        options.LogGiven = true;
        options.LogEnabled = TestLog(state.LogPath);
        if (!options.LogEnabled) {
            return std::string(LogOpenErrorText);
        }
        return std::nullopt;
    case 't':
        return ApplyTerminalType(value, options);
    case 'w':
        options.Window.Width = ReadDecimal(value);
        options.WidthGiven = true;
        return std::nullopt;
    case 'x':
        options.Window.Left = ReadDecimal(value);
        options.LeftGiven = true;
        return std::nullopt;
    case 'y':
        options.Window.Top = ReadDecimal(value);
        options.TopGiven = true;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            TShellState& state, TStartOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const char option = OptionOf(args[i]);
        if (option == 'e') {
            state.ExitOnDisconnect = 1;
            options.ExitGiven = true;
            continue;
        }
        if (option == 's') {
            state.StartHidden = 1;
            continue;
        }
        std::optional<std::string> missing = MissingValueText(option);
        if (!missing) {
            continue;
        }
        if (i + 1 >= args.size()) {
            return missing;
        }
        ++i;
        std::optional<std::string> error = ApplyValue(option, args[i], state, options);
        if (error) {
            return error;
        }
    }
    return std::nullopt;
}

} // namespace lemnar
