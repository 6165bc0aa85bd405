#pragma once
// A small generator for tests that draw random streams: the same numbers on
// every platform and standard library.

#include <cstdint>
#include <string>

namespace lemnar::test {

class TRandom {
  public:
    explicit TRandom(std::uint32_t seed) : State(seed) {}
    // A number in [0, n).
    int Below(int n) {
        State = State * 1664525u + 1013904223u;
        return static_cast<int>((State >> 8) % static_cast<std::uint32_t>(n));
    }
    // One of the characters of choices.
    char Of(const std::string& choices) {
        return choices[static_cast<std::size_t>(Below(static_cast<int>(choices.size())))];
    }

  private:
    std::uint32_t State;
};

} // namespace lemnar::test
