#pragma once
// A window for a terminal without one: a client area of whole cells of the
// given size, and a count of the beeps it was asked for.

#include "terminal/Terminal.h"

namespace lemnar::test {

class TCellHost final : public TTerminalHost {
  public:
    TCellHost(int cols, int rows, int cellWidth, int cellHeight)
        : ClientW(cols * cellWidth), ClientH(rows * cellHeight) {}
    int ClientWidth() const override { return ClientW; }
    int ClientHeight() const override { return ClientH; }
    void SetClientSize(int width, int height) override {
        ClientW = width;
        ClientH = height;
    }
    TFontSpec WindowFont() const override { return {}; }
    void MessageBeep(unsigned) override { ++Beeps; }

    int ClientW;
    int ClientH;
    int Beeps = 0;
};

} // namespace lemnar::test
