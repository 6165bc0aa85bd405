#include "shell/core/FilePlaces.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lemnar {

namespace {

bool IsAbsoluteDir(const char* dir) {
    return dir != nullptr && dir[0] == '/';
}

// The home directory from the password database, for a process started
// without HOME.
std::string HomeFromPasswordDatabase() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return std::string();
    }
    return found->pw_dir;
}

bool FileExists(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0;
}

} // namespace

std::string UserSettingsPath(const char* configHome, const char* home) {
    std::string dir;
    if (IsAbsoluteDir(configHome)) {
        dir = WithSeparator(configHome);
    } else if (IsAbsoluteDir(home)) {
        dir = WithSeparator(home) + ".config/";
    } else {
        return std::string();
    }
    return dir + "Lemnar/" + std::string(SettingsFileName);
}

std::string UserSettingsPath() {
    const char* home = std::getenv("HOME");
    std::string fromDatabase;
    if (!IsAbsoluteDir(home)) {
        fromDatabase = HomeFromPasswordDatabase();
        home = fromDatabase.c_str();
    }
    return UserSettingsPath(std::getenv("XDG_CONFIG_HOME"), home);
}

bool DirectoryWritable(const char* dir) {
    return ::access(dir, W_OK | X_OK) == 0;
}

void PlaceSettings(TShellState& state, bool programDirWritable, std::string_view userPath) {
    if (programDirWritable || userPath.empty() || userPath.size() >= sizeof(state.SettingsPath)) {
        return;
    }
    SetField(state.SettingsPath, userPath);
}

std::string SettingsReadPath(const TShellState& state) {
    const std::string path(FieldText(state.SettingsPath));
    if (FileExists(path.c_str())) {
        return path;
    }
    const std::string beside =
        std::string(FieldText(state.ProgramDir)) + std::string(SettingsFileName);
    return FileExists(beside.c_str()) ? beside : path;
}

bool MakeSettingsDirectory(const TShellState& state) {
    const std::filesystem::path dir =
        std::filesystem::path(std::string(FieldText(state.SettingsPath))).parent_path();
    std::filesystem::path made;
    for (const std::filesystem::path& part : dir) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    std::error_code error;
    return std::filesystem::is_directory(dir, error);
}

// LEMNAR_DATA_FROM_PROGRAM comes from the build: the data directory relative
// to the program's directory in the install layout ("../share/lemnar").
std::string DataDir(std::string_view programDir) {
    const std::filesystem::path dir =
        (std::filesystem::path(std::string(programDir)) / LEMNAR_DATA_FROM_PROGRAM)
            .lexically_normal();
    return WithSeparator(dir.string());
}

} // namespace lemnar
