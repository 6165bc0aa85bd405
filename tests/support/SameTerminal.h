#pragma once
// Two offscreen terminals that took the same bytes, perhaps in different
// ways or blocks: both pictures pixel for pixel, the state (TerminalState.h)
// and the beeps must be the same. MakeTerminal gives one of a type and size.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"
#include "support/TerminalState.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lemnar::test {

inline std::unique_ptr<TOffscreenTerminal> MakeTerminal(std::uint8_t type, int cols = 80,
                                                        int rows = 25) {
    TOffscreenTerminal::TOptions options;
    options.Cols = cols;
    options.Rows = rows;
    options.TerminalType = type;
    return std::make_unique<TOffscreenTerminal>(options);
}

inline void ExpectSameTerminal(TOffscreenTerminal& a, TOffscreenTerminal& b,
                               const std::string& where = {}) {
    EXPECT_EQ(FirstDifference(a.WindowImage(), b.WindowImage()), "") << "window, " << where;
    EXPECT_EQ(FirstDifference(a.BitmapImage(), b.BitmapImage()), "") << "ScreenBitmap, " << where;
    EXPECT_EQ(StateDifference(a.Terminal, b.Terminal), "") << where;
    EXPECT_EQ(a.BeepCount, b.BeepCount) << "beeps, " << where;
}

} // namespace lemnar::test
