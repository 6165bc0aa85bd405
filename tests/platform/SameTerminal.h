#pragma once
// Two offscreen terminals that took the same bytes in two ways: both
// pictures, the cells, the cursor bar and each picture's pen, brush and font
// colour must be the same.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace lemnar::test {

inline void ExpectSameTerminal(const TOffscreenTerminal& a, const TOffscreenTerminal& b,
                               const std::string& where) {
    EXPECT_EQ(FirstDifference(a.WindowImage(), b.WindowImage()), "") << "window, " << where;
    EXPECT_EQ(FirstDifference(a.BitmapImage(), b.BitmapImage()), "") << "ScreenBitmap, " << where;
    EXPECT_EQ(
        std::memcmp(a.Terminal.ScreenCells, b.Terminal.ScreenCells, sizeof(a.Terminal.ScreenCells)),
        0)
        << "cells, " << where;
    EXPECT_EQ(a.Terminal.CursorDrawn, b.Terminal.CursorDrawn) << where;
    for (const auto& [p, q] : {std::pair{&a.WindowPicture, &b.WindowPicture},
                               std::pair{&a.BitmapPicture, &b.BitmapPicture}}) {
        EXPECT_EQ(p->BrushColor(), q->BrushColor()) << where;
        EXPECT_EQ(p->FontColor(), q->FontColor()) << where;
        EXPECT_EQ(p->BrushStyle(), q->BrushStyle()) << where;
        EXPECT_EQ(p->PenColor(), q->PenColor()) << where;
        EXPECT_EQ(p->PenMode(), q->PenMode()) << where;
    }
}

} // namespace lemnar::test
