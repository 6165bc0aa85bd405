#include "terminal/Terminal.h"

namespace lemnar {

// PC order: 1 blue, 2 green, 4 red, 8..15 the bright variants. Entry 12 of the
// text palette is the same red as entry 4, as on the server's console.
const TColor TextPalette[16] = {
    Rgb(0, 0, 0),    Rgb(0, 0, 170),   Rgb(0, 170, 0),    Rgb(15, 145, 183),
    Rgb(190, 0, 0),  Rgb(160, 0, 150), Rgb(170, 120, 70), Rgb(200, 200, 200),
    Rgb(85, 85, 85), Rgb(0, 100, 200), Rgb(0, 255, 0),    Rgb(150, 220, 255),
    Rgb(190, 0, 0),  Rgb(226, 0, 255), Rgb(255, 255, 0),  Rgb(255, 255, 255),
};

const TColor GraphicsPalette[16] = {
    Rgb(0, 0, 0),     Rgb(0, 0, 255),   Rgb(0, 190, 0),   Rgb(0, 68, 119),
    Rgb(255, 0, 0),   Rgb(200, 0, 113), Rgb(94, 30, 43),  Rgb(200, 200, 200),
    Rgb(85, 85, 85),  Rgb(0, 105, 179), Rgb(0, 255, 0),   Rgb(63, 187, 239),
    Rgb(255, 52, 11), Rgb(226, 0, 255), Rgb(255, 255, 0), Rgb(255, 255, 255),
};

} // namespace lemnar
