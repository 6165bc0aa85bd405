// The start-up command line: the input, cut at NUL bytes, is the argument
// list. The values of D, P and ? name directories and files that the parser
// creates or opens, so they are replaced by names inside a private temporary
// directory (one of them longer than any path field). Every text field of the
// record must stay terminated inside its array whatever the arguments are.

#include "FuzzSurface.h"
#include "shell/core/CommandLine.h"

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The current directory while the target runs: the parser writes only below
// it. Removed when the process ends.
struct TWorkDir {
    TWorkDir() {
        char pattern[] = "/tmp/lemnar-fuzz-cmdline-XXXXXX";
        lemnar::FuzzCheck(mkdtemp(pattern) != nullptr);
        Path = pattern;
        lemnar::FuzzCheck(chdir(pattern) == 0);
    }
    ~TWorkDir() {
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

const fs::path& WorkDir() {
    static const TWorkDir dir;
    return dir.Path;
}

bool TakesPath(const std::string& arg) {
    return !arg.empty() &&
           (arg[0] == 'D' || arg[0] == 'd' || arg[0] == 'P' || arg[0] == 'p' || arg[0] == '?');
}

bool TakesValue(const std::string& arg) {
    static const std::string withValue = "?BbDdFfHhLlPpTtWwXxYy";
    return !arg.empty() && withValue.find(arg[0]) != std::string::npos;
}

// A path inside the work directory, chosen by the argument's bytes.
std::string SafePath(const std::string& value) {
    const unsigned choice = value.empty() ? 0 : static_cast<unsigned char>(value[0]) % 5;
    switch (choice) {
    case 0:
        return (WorkDir() / "log.txt").string();
    case 1:
        return (WorkDir() / "sub" / "deeper").string();
    case 2:
        return (WorkDir() / std::string(250, 'n')).string();
    case 3:
        return (WorkDir() / std::string(250, 'n') / "x").string();
    default:
        return (WorkDir() / "missing" / "help.hlp").string();
    }
}

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (field[i] == '\0')
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lemnar;
    WorkDir();
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size && args.size() <= 24; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    std::string lastHost;
    bool hostSeen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!TakesValue(args[i]) || i + 1 >= args.size())
            continue;
        if (TakesPath(args[i]))
            args[i + 1] = SafePath(args[i + 1]);
        if (args[i][0] == 'h') {
            lastHost = args[i + 1];
            hostSeen = true;
        }
        ++i;
    }

    TShellState state;
    TStartOptions options;
    const std::optional<std::string> error = ParseCommandLine(args, state, options);
    if (error)
        FuzzCheck(!error->empty());
    FuzzCheck(Terminated(state.ProgramDir) && Terminated(state.SettingsPath) &&
              Terminated(state.Host) && Terminated(state.Login) && Terminated(state.Password) &&
              Terminated(state.SaveDir) && Terminated(state.HelpPath) &&
              Terminated(state.LogPath) && Terminated(state.ScriptPath));
    FuzzCheck(state.ScriptMode == 0 || state.ScriptMode == 1);
    FuzzCheck(state.ExitOnDisconnect == 1 || state.ExitOnDisconnect == 2);
    FuzzCheck(state.HostKnown == 0 || state.HostKnown == 1);
    FuzzCheck(options.TerminalType >= 0 && options.TerminalType <= 2);
    static const char* const Names[] = {"QNX", "ANSI", "TTY"};
    FuzzCheck(options.TerminalName == Names[options.TerminalType]);
    // The host field holds the last h value, whole when it fits, else cut.
    if (hostSeen && !error) {
        const std::string_view kept = FieldText(state.Host);
        FuzzCheck(lastHost.compare(0, kept.size(), kept) == 0);
        if (lastHost.size() < HostFieldSize)
            FuzzCheck(kept.size() == lastHost.size());
        FuzzCheck(state.HostKnown == 1);
    }
    return 0;
}
