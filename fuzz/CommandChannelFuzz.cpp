// The command channel: the input is read as the bytes that follow ESC G 1 ~.
// Whenever a block leaves command mode the switch is sent again, so the
// collector and ExecuteCommand see the input as commands. The grid is never
// touched while command mode lasts, and every colour drawn with comes from a
// palette (the surface checks that).

#include "FuzzInput.h"
#include "FuzzSurface.h"

#include <cstring>
#include <memory>

namespace {

constexpr std::uint8_t SwitchOn[] = {0x1B, 'G', '1', '~'};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lemnar;
    TFuzzInput input(data, size);
    const std::uint8_t type = input.TakeByte() % 3;
    const std::uint8_t split = input.TakeByte();
    input.SeedSplits(split * 2654435761u + type);

    auto f = std::make_unique<TFuzzTerminal>(80, 25, type);
    TTerminal& t = f->Terminal;
    auto before = std::make_unique<Cell[][StoreCols]>(StoreRows);
    const std::size_t maxBlock = split == 0 ? RecvBlockSize : split;
    while (!input.AtEnd()) {
        if (t.CommandMode == 0) {
            t.EscState = EscGround;
            t.TelnetDataAvailable(SwitchOn, sizeof SwitchOn);
            FuzzCheck(t.CommandMode == 1 && t.CommandLength == 0);
        }
        std::memcpy(before.get(), t.ScreenCells, sizeof t.ScreenCells);
        std::string_view block = input.NextBlock(maxBlock);
        t.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
        FuzzCheck(t.CommandLength >= 0 && t.CommandLength <= 80);
        FuzzCheck(t.DrawColor >= 0 && t.DrawColor <= 15);
        // Without an ESC the block cannot switch command mode on again, so
        // while it stays on no byte of the block reached the grid.
        const bool stayed = t.CommandMode == 1;
        const bool hasEsc = block.find('\x1B') != std::string_view::npos;
        if (stayed && !hasEsc)
            FuzzCheck(std::memcmp(t.ScreenCells, before.get(), sizeof t.ScreenCells) == 0);
        // Out of command mode nothing is collected.
        if (!stayed)
            FuzzCheck(t.CommandLength == 0);
    }
    return 0;
}
