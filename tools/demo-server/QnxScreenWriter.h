#pragma once

#include "ScreenWriter.h"

namespace lemnar::demo {

// QNX console sequences: ESC = r c addressing (+32), ESC @ f b colours (+'0'),
// FF to clear, ESC g n c to repeat, ESC K, ESC y to show or hide the cursor.
class TQnxScreenWriter : public TScreenWriter {
  public:
    // Rows and columns travel as one byte + 32 that the console reads as signed:
    // 95 is the largest that arrives intact.
    static constexpr int MaxAddress = 95;
    static constexpr int MaxRepeat = 95;

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
    int Fg = Colour::LightGrey;
    int Bg = Colour::Black;
};

} // namespace lemnar::demo
