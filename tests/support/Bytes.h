#pragma once
// Byte strings written as lists of numbers, Bytes({255, 253, 24}), and read
// back as hex pairs, Hex("\xff\xfd") == "FF FD", for readable failures.

#include <initializer_list>
#include <string>

namespace lemnar::test {

inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

inline std::string Hex(const std::string& bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        if (!text.empty())
            text += ' ';
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    return text;
}

} // namespace lemnar::test
