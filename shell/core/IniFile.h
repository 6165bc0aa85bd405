#pragma once
// An INI file read and written one key at a time. Section and key names match
// without regard to ASCII case; blanks around names and values are dropped;
// everything else in the file (other sections and keys, comments, blank lines,
// line ends) is kept byte for byte when a key is written.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace lemnar {

class TIniFile {
  public:
    explicit TIniFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return FilePath; }

    // The key's value, or def when the file, the section or the key is missing;
    // either is cut to maxLength bytes.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def,
                           std::size_t maxLength = std::string::npos) const;

    // The key's value read as a decimal number (see ReadDecimal), or def when
    // the file, the section or the key is missing.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;

    // Sets one key, adding the file, the section or the key when missing. A
    // value ends at its first CR or LF, which a line cannot hold. The file is
    // rewritten through a temporary file and a rename, so it is either the old
    // or the new one, never a half. false: the file could not be written.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;

  private:
    std::filesystem::path FilePath;
};

} // namespace lemnar
