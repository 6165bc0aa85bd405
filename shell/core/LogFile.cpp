#include "shell/core/LogFile.h"

#include "terminal/LogWriter.h"

#include <cstdint>

namespace lemnar {

namespace {

// Code page 1251 byte of a character outside ASCII; '?' where it has none.
char Cp1251Of(std::uint32_t code) {
    if (code >= 0x0410 && code <= 0x044F) { // А..я
        return static_cast<char>(0xC0 + (code - 0x0410));
    }
    switch (code) {
    case 0x0401: // Ё
        return static_cast<char>(0xA8);
    case 0x0451: // ё
        return static_cast<char>(0xB8);
    case 0x00AB: // «
        return static_cast<char>(0xAB);
    case 0x00BB: // »
        return static_cast<char>(0xBB);
    case 0x2013: // en dash
        return static_cast<char>(0x96);
    case 0x2014: // em dash
        return static_cast<char>(0x97);
    case 0x2116: // №
        return static_cast<char>(0xB9);
    default:
        return '?';
    }
}

// UTF-8 to code page 1251 for the log's texts; a broken sequence gives one '?'
// for its first byte and goes on with the next.
std::string ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        std::uint32_t code = lead & (0x7F >> length);
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        out += valid ? Cp1251Of(code) : '?';
        i += valid ? length : 1;
    }
    return out;
}

} // namespace

std::string ConnectFailedText(std::string_view host) {
    std::string text = "Удалённый сервер ";
    text += host;
    text += " не отвечает. Проверьте правильность адреса";
    return text;
}

std::FILE* OpenLog(const char* path) {
    return std::fopen(path, "a+");
}

bool TestLog(const char* path) {
    std::FILE* file = OpenLog(path);
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

void WriteLogError(std::FILE* log, std::string_view text) {
    if (log == nullptr) {
        return;
    }
    std::string line = ToCp1251(text);
    line += '\n';
    std::fseek(log, 0, SEEK_END);
    LogWrite(log, line.data(), line.size());
    std::fflush(log);
}

} // namespace lemnar
