#include "shell/ScriptFile.h"

namespace lemnar {

namespace {
constexpr int EndOfFileByte = 26;
bool IsBlankOrControl(unsigned char c) {
    return c <= ' ' || c == 0x7F;
}
} // namespace

TScriptFile::~TScriptFile() {
    Close();
}

bool TScriptFile::Open(const char* path) {
    Close();
    File = std::fopen(path, "rb");
    AtEnd = false;
    return File != nullptr;
}

void TScriptFile::Rewind() {
    if (File != nullptr)
        std::rewind(File);
    AtEnd = false;
}

void TScriptFile::Close() {
    if (File != nullptr)
        std::fclose(File);
    File = nullptr;
}

std::optional<std::string> TScriptFile::ReadLine(std::size_t maxChars) {
    if (File == nullptr || AtEnd || maxChars == 0)
        return std::nullopt;
    std::string line;
    while (line.size() < maxChars) {
        const int c = std::fgetc(File);
        if (c == EOF || c == EndOfFileByte) {
            AtEnd = true;
            break;
        }
        if (c == '\r')
            continue;
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    if (line.empty() && AtEnd)
        return std::nullopt;
    return line;
}

std::string WithoutFinalLineFeed(std::string text) {
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string TrimmedLine(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && IsBlankOrControl(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace lemnar
