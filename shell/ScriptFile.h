#pragma once
// The login script, read as a text file of the program's home platform:
// carriage returns are dropped and a byte 26 ends the file.

#include <cstdio>
#include <optional>
#include <string>

namespace lemnar {

class TScriptFile {
  public:
    TScriptFile() = default;
    ~TScriptFile();
    TScriptFile(const TScriptFile&) = delete;
    TScriptFile& operator=(const TScriptFile&) = delete;

    bool Open(const char* path);
    bool IsOpen() const { return File != nullptr; }
    void Rewind();
    void Close();
    // Reads like a line read into a field of maxChars characters: stops after
    // a line feed (which it keeps) or when maxChars characters are read.
    // Nothing at the end of the file.
    std::optional<std::string> ReadLine(std::size_t maxChars);

  private:
    std::FILE* File = nullptr;
    bool AtEnd = false;
};

// text without a final line feed.
std::string WithoutFinalLineFeed(std::string text);
// text with leading and trailing blanks and control characters removed.
std::string TrimmedLine(const std::string& text);

} // namespace lemnar
