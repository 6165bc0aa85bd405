// The settings file: the input is a value to store and the file's text. What
// the reader returns is bounded as asked, a key written reads back as written
// (cut at its line end, blanks dropped), and no other key changes.

#include "FuzzSurface.h"
#include "shell/core/IniFile.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A private directory in memory (each write syncs the file), removed when
// the process ends.
struct TTempDir {
    TTempDir() {
        char pattern[] = "/dev/shm/lemnar-fuzz-ini-XXXXXX";
        lemnar::FuzzCheck(mkdtemp(pattern) != nullptr);
        Path = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

const fs::path& IniPath() {
    static const TTempDir dir;
    static const fs::path path = dir.Path / "Lemnar.ini";
    return path;
}

std::string Stored(std::string value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lemnar;
    if (size == 0)
        return 0;
    const std::size_t valueLength = std::min<std::size_t>(data[0] % 64, size - 1);
    const std::string value(reinterpret_cast<const char*>(data + 1), valueLength);
    const std::string text(reinterpret_cast<const char*>(data + 1 + valueLength),
                           size - 1 - valueLength);
    {
        std::ofstream out(IniPath(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    const TIniFile ini(IniPath());
    FuzzCheck(ini.ReadString("Options", "Host", "", 31).size() <= 31);
    FuzzCheck(ini.ReadString("Options", "Logfile", "", 258).size() <= 258);
    const std::string login = ini.ReadString("Options", "Login", "<none>");
    const std::string other = ini.ReadString("Other", "Host", "<none>");
    const int width = ini.ReadInteger("Options", "Width", 640);
    const int fontSize = ini.ReadInteger("options", "FONTSIZE", -1);

    FuzzCheck(ini.WriteString("Options", "Host", value));
    FuzzCheck(ini.ReadString("Options", "Host", "<none>") == Stored(value));
    FuzzCheck(ini.ReadString("Options", "Login", "<none>") == login);
    FuzzCheck(ini.ReadString("Other", "Host", "<none>") == other);
    FuzzCheck(ini.ReadInteger("Options", "Width", 640) == width);
    FuzzCheck(ini.ReadInteger("options", "FONTSIZE", -1) == fontSize);
    return 0;
}
