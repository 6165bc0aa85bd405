#include "keyboard/Cp1251.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace lemnar {

namespace {

// Unicode of the 1251 bytes 0x80-0xFF; 0 marks the unassigned 0x98.
constexpr std::array<char16_t, 128> Cp1251High = {
    // 0x80
    u'\u0402',
    u'\u0403',
    u'\u201A',
    u'\u0453',
    u'\u201E',
    u'\u2026',
    u'\u2020',
    u'\u2021',
    u'\u20AC',
    u'\u2030',
    u'\u0409',
    u'\u2039',
    u'\u040A',
    u'\u040C',
    u'\u040B',
    u'\u040F',
    // 0x90
    u'\u0452',
    u'\u2018',
    u'\u2019',
    u'\u201C',
    u'\u201D',
    u'\u2022',
    u'\u2013',
    u'\u2014',
    0,
    u'\u2122',
    u'\u0459',
    u'\u203A',
    u'\u045A',
    u'\u045C',
    u'\u045B',
    u'\u045F',
    // 0xA0
    u'\u00A0',
    u'\u040E',
    u'\u045E',
    u'\u0408',
    u'\u00A4',
    u'\u0490',
    u'\u00A6',
    u'\u00A7',
    u'\u0401',
    u'\u00A9',
    u'\u0404',
    u'\u00AB',
    u'\u00AC',
    u'\u00AD',
    u'\u00AE',
    u'\u0407',
    // 0xB0
    u'\u00B0',
    u'\u00B1',
    u'\u0406',
    u'\u0456',
    u'\u0491',
    u'\u00B5',
    u'\u00B6',
    u'\u00B7',
    u'\u0451',
    u'\u2116',
    u'\u0454',
    u'\u00BB',
    u'\u0458',
    u'\u0405',
    u'\u0455',
    u'\u0457',
    // 0xC0-0xFF: А..я in alphabetical order
    u'\u0410',
    u'\u0411',
    u'\u0412',
    u'\u0413',
    u'\u0414',
    u'\u0415',
    u'\u0416',
    u'\u0417',
    u'\u0418',
    u'\u0419',
    u'\u041A',
    u'\u041B',
    u'\u041C',
    u'\u041D',
    u'\u041E',
    u'\u041F',
    u'\u0420',
    u'\u0421',
    u'\u0422',
    u'\u0423',
    u'\u0424',
    u'\u0425',
    u'\u0426',
    u'\u0427',
    u'\u0428',
    u'\u0429',
    u'\u042A',
    u'\u042B',
    u'\u042C',
    u'\u042D',
    u'\u042E',
    u'\u042F',
    u'\u0430',
    u'\u0431',
    u'\u0432',
    u'\u0433',
    u'\u0434',
    u'\u0435',
    u'\u0436',
    u'\u0437',
    u'\u0438',
    u'\u0439',
    u'\u043A',
    u'\u043B',
    u'\u043C',
    u'\u043D',
    u'\u043E',
    u'\u043F',
    u'\u0440',
    u'\u0441',
    u'\u0442',
    u'\u0443',
    u'\u0444',
    u'\u0445',
    u'\u0446',
    u'\u0447',
    u'\u0448',
    u'\u0449',
    u'\u044A',
    u'\u044B',
    u'\u044C',
    u'\u044D',
    u'\u044E',
    u'\u044F',
};

constexpr char32_t Invalid = 0xFFFFFFFF;

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Decodes the character at text[pos] and advances pos past it. A malformed
// sequence (bad lead byte, missing continuation, overlong form, surrogate,
// beyond U+10FFFF) gives Invalid and advances one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t ch = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        ch = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        ch = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        ch = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return Invalid;
    }
    if (text.size() - pos < length) {
        ++pos;
        return Invalid;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(b)) {
            ++pos;
            return Invalid;
        }
        ch = (ch << 6) | (b & 0x3F);
    }
    if (ch < minimum || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
        ++pos;
        return Invalid;
    }
    pos += length;
    return ch;
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

} // namespace

int UnicodeToCp1251(char32_t ch) {
    if (ch < 0x80) {
        return static_cast<int>(ch);
    }
    for (std::size_t i = 0; i < Cp1251High.size(); ++i) {
        if (Cp1251High[i] != 0 && Cp1251High[i] == ch) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t ch = DecodeUtf8(text, pos);
        const int byte = ch == Invalid ? -1 : UnicodeToCp1251(ch);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else if (const char16_t ch = Cp1251High[byte - 0x80]; ch != 0) {
            AppendUtf8(out, ch);
        } else {
            out.push_back('?');
        }
    }
    return out;
}

} // namespace lemnar
