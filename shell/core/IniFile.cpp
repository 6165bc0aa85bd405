#include "shell/core/IniFile.h"

#include "shell/core/Decimal.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lemnar {

namespace {

// A file written from scratch gets CR LF line ends, the INI text the program
// has always written; a file that already has line ends keeps its own.
constexpr std::string_view NewFileLineEnd = "\r\n";

struct TLine {
    std::string_view Text; // without its line end
    std::string_view End;  // "\n", "\r\n" or empty for a last line without one
};

// A value never holds a CR (writes cut it off), so a stray one at either end
// of a name or value is dropped like a blank.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<TLine> SplitLines(std::string_view content) {
    std::vector<TLine> lines;
    while (!content.empty()) {
        const std::size_t lf = content.find('\n');
        if (lf == std::string_view::npos) {
            // A last line may end in a bare CR: that is its line end, not
            // part of its value.
            const bool cr = content.back() == '\r';
            const std::size_t textLength = cr ? content.size() - 1 : content.size();
            lines.push_back({content.substr(0, textLength), content.substr(textLength)});
            break;
        }
        const bool crlf = lf > 0 && content[lf - 1] == '\r';
        const std::size_t textLength = crlf ? lf - 1 : lf;
        lines.push_back(
            {content.substr(0, textLength), content.substr(textLength, lf + 1 - textLength)});
        content.remove_prefix(lf + 1);
    }
    return lines;
}

// The name of a section header line ("[name]"), or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    return Trim(text.substr(0, text.find(']')));
}

struct TKeyLine {
    std::string_view Key;
    std::string_view Value;
};

// Key and value of a "key=value" line; comments and lines without '=' have none.
std::optional<TKeyLine> KeyLine(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return TKeyLine{Trim(text.substr(0, eq)), Trim(text.substr(eq + 1))};
}

// Where a key is in the lines: the first section of that name and, inside it,
// the key's line and the last line that is not blank.
struct TKeyPlace {
    std::optional<std::size_t> Section;
    std::optional<std::size_t> Key;
    std::size_t LastFilled = 0;
};

TKeyPlace FindKey(const std::vector<TLine>& lines, std::string_view section, std::string_view key) {
    TKeyPlace place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string_view> name = SectionName(lines[i].Text);
        if (name) {
            if (place.Section) {
                break;
            }
            if (SameName(*name, section)) {
                place.Section = i;
                place.LastFilled = i;
            }
            continue;
        }
        if (!place.Section) {
            continue;
        }
        if (!Trim(lines[i].Text).empty()) {
            place.LastFilled = i;
        }
        const std::optional<TKeyLine> keyLine = KeyLine(lines[i].Text);
        if (!place.Key && keyLine && SameName(keyLine->Key, key)) {
            place.Key = i;
        }
    }
    return place;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return content;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Replaces the file with content: a temporary file beside it, flushed to disk,
// then renamed over it. The file keeps its permission bits.
bool ReplaceFile(const std::filesystem::path& path, std::string_view content) {
    mode_t mode = 0666;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    }
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string_view CutAt(std::string_view text, std::size_t maxLength) {
    return text.substr(0, std::min(text.size(), maxLength));
}

} // namespace

TIniFile::TIniFile(std::filesystem::path path) : FilePath(std::move(path)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def, std::size_t maxLength) const {
    const std::optional<std::string> content = ReadWholeFile(FilePath);
    if (!content) {
        return std::string(CutAt(def, maxLength));
    }
    const std::vector<TLine> lines = SplitLines(*content);
    const TKeyPlace place = FindKey(lines, section, key);
    if (!place.Key) {
        return std::string(CutAt(def, maxLength));
    }
    return std::string(CutAt(KeyLine(lines[*place.Key].Text)->Value, maxLength));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const std::optional<std::string> content = ReadWholeFile(FilePath);
    if (!content) {
        return def;
    }
    const std::vector<TLine> lines = SplitLines(*content);
    const TKeyPlace place = FindKey(lines, section, key);
    if (!place.Key) {
        return def;
    }
    return ReadDecimal(KeyLine(lines[*place.Key].Text)->Value);
}

bool TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) const {
    value = Trim(value.substr(0, value.find_first_of("\r\n")));
    const std::string content = ReadWholeFile(FilePath).value_or(std::string());
    std::vector<TLine> lines = SplitLines(content);

    std::string_view lineEnd = NewFileLineEnd;
    for (const TLine& line : lines) {
        if (line.End == "\n" || line.End == "\r\n") {
            lineEnd = line.End;
            break;
        }
    }

    const TKeyPlace place = FindKey(lines, section, key);
    // New lines point into these strings, which outlive the lines.
    std::string header = "[";
    header.append(section).append("]");
    std::string keyText;
    if (place.Key) {
        keyText = std::string(KeyLine(lines[*place.Key].Text)->Key) + "=" + std::string(value);
        // Keep what came before the key on its line (its indentation).
        const std::string_view old = lines[*place.Key].Text;
        const std::size_t indent = old.find_first_not_of(" \t");
        keyText.insert(0, old.substr(0, indent));
        lines[*place.Key].Text = keyText;
    } else {
        keyText = std::string(key) + "=" + std::string(value);
        std::size_t insertAt = lines.size();
        if (place.Section) {
            insertAt = place.LastFilled + 1;
        }
        // A line followed by a new one needs a full line end (a last line
        // may have none, or a bare CR).
        if (insertAt > 0 && lines[insertAt - 1].End != "\n" && lines[insertAt - 1].End != "\r\n") {
            lines[insertAt - 1].End = lineEnd;
        }
        if (place.Section) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), {keyText, lineEnd});
        } else {
            lines.push_back({header, lineEnd});
            lines.push_back({keyText, lineEnd});
        }
    }

    std::string updated;
    updated.reserve(content.size() + keyText.size() + header.size() + 8);
    for (const TLine& line : lines) {
        updated.append(line.Text);
        updated.append(line.End);
    }
    return ReplaceFile(FilePath, updated);
}

} // namespace lemnar
