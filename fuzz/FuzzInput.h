#pragma once
// Reads the fuzz input: a few leading bytes choose the set-up, the rest is the
// stream, cut into blocks whose lengths a small generator seeded from the
// input picks, so every split of a sequence across blocks gets tried.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lemnar {

class TFuzzInput {
  public:
    TFuzzInput(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

    // The next set-up byte, 0 once the input is used up.
    std::uint8_t TakeByte() { return Pos < Size ? Data[Pos++] : 0; }

    // The next block of the stream, at most maxBlock bytes (maxBlock 0: the
    // rest in one piece); empty at the end.
    std::string_view NextBlock(std::size_t maxBlock) {
        std::size_t left = Size - Pos;
        std::size_t n = left;
        if (maxBlock > 0) {
            Seed = Seed * 1103515245u + 12345u;
            n = 1 + (Seed >> 8) % maxBlock;
            if (n > left)
                n = left;
        }
        std::string_view block(reinterpret_cast<const char*>(Data + Pos), n);
        Pos += n;
        return block;
    }
    bool AtEnd() const { return Pos >= Size; }
    void SeedSplits(std::uint32_t seed) { Seed = seed; }

  private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos = 0;
    std::uint32_t Seed = 1;
};

} // namespace lemnar
