#pragma once
// Byte strings written as lists of numbers: Bytes({255, 253, 24}).

#include <initializer_list>
#include <string>

namespace lemnar::test {

inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

} // namespace lemnar::test
