#pragma once

#include "ScreenWriter.h"

namespace lemnar::demo {

// The ANSI subset the client reads: ESC [ r ; c H, ESC [ 2 J, ESC [ K and
// ESC [ ... m with 0, 1, 30-37 and 40-47. It has no repeat and no cursor switch.
class TAnsiScreenWriter : public TScreenWriter {
  public:
    void Clear() override;
    void MoveTo(int row, int col) override;
    void SetColour(int fg, int bg) override;
    void Text(std::string_view cp866) override;
    void Repeat(char ch, int count) override;
    void ClearToEnd() override;
    void ShowCursor(bool visible) override;
    void Raw(std::string_view bytes) override;
    bool Addressable() const override { return true; }
    std::string Take() override;

  private:
    std::string Out;
};

} // namespace lemnar::demo
