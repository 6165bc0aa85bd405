#pragma once

#include "ScreenWriter.h"

#include <vector>

namespace lemnar::demo {

// Plain text: the page is drawn into a grid of characters and goes out as lines
// ended by CR LF, trailing blanks cut. Colours and the cursor are ignored.
class TTtyScreenWriter : public TScreenWriter {
  public:
    static constexpr int MaxRows = 80;
    static constexpr int MaxCols = 160;

    TTtyScreenWriter(int rows, int cols);

    void Clear() override;
    void MoveTo(int row, int col) override;
    void SetColour(int, int) override {}
    void Text(std::string_view cp866) override;
    void Repeat(char ch, int count) override;
    void ClearToEnd() override;
    void ShowCursor(bool) override {}
    void Raw(std::string_view bytes) override;
    bool Addressable() const override { return false; }
    std::string Take() override;

  private:
    void Put(char ch);
    void FlushGrid();

    int Rows;
    int Cols;
    std::vector<std::string> Grid;
    int Row = 0;
    int Col = 0;
    bool Dirty = false;
    std::string Out;
};

} // namespace lemnar::demo
