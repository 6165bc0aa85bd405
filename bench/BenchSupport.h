#pragma once
// What the benchmarks share: the reference drawing path of an offscreen
// terminal.

#include "platform/OffscreenTerminal.h"

namespace lemnar::bench {

// Glyphs painted with QPainter and every block copy done pixel by pixel, on
// both pictures.
inline void UseReferencePath(TOffscreenTerminal& term) {
    for (TQtSurface* surface : {&term.WindowPicture, &term.BitmapPicture}) {
        surface->SetReferenceText(true);
        surface->SetReferenceCopy(true);
    }
    // Every change drawn on both pictures as it comes.
    term.Terminal.UsePlainPath(true);
}

} // namespace lemnar::bench
