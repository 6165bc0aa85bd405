#pragma once
// The pixels of a picture (RGB32) and the rows they live in. The picture is
// a window onto a store of rows: a ring where the system allows (pages mapped
// twice, so a window that runs past the end goes on in the first rows), else
// a block a few pictures tall. Scrolling moves the window, not the pixels.
//
// A copy of the QImage shares the rows; the next write moves the picture to
// rows of its own first (BeginWrite), so the copy stays a snapshot.

#include <QImage>
#include <cstddef>
#include <memory>

namespace lemnar {

class TPixelStore {
  public:
    TPixelStore() = default;
    // A copy has rows of its own, its window at their start.
    TPixelStore(const TPixelStore& other);
    TPixelStore& operator=(const TPixelStore& other);

    // Whether stores made from now on may be rings where the system allows;
    // true at start. Returns the setting before.
    static bool UseRings(bool wanted);

    int Width() const { return Stride; }
    int Height() const { return Rows; }
    bool Empty() const { return Pixels == nullptr; }
    // Keeps the overlapping part of the picture; new area is black. A size
    // of 0 either way leaves no picture and no rows.
    void Resize(int width, int height);

    // The picture. The object stays the same for the store's life; it is
    // null while there is no picture. Paint into it only after BeginWrite.
    const QImage& Image() const { return Picture; }
    QImage& Image() { return Picture; }
    // Row y of the picture, 0 <= y < Height().
    QRgb* Row(int y) const { return Pixels + static_cast<std::ptrdiff_t>(y) * Stride; }

    // Called before any pixel is written: a picture that someone holds a copy
    // of moves to rows of its own first.
    void BeginWrite();
    // Moves the window down by k rows, 0 < k < Height(); the last k rows of
    // the picture are left undefined.
    void Slide(int k);
    // Copies rows [srcY, srcY + h) of the picture, the whole width, to dstY,
    // both inside the picture. A move of the whole picture up by at most half
    // its height slides the window instead of moving the pixels.
    void MoveRows(int dstY, int srcY, int h);

  private:
    struct TRows;

    // Moves the picture to rows of its own holding a copy of pixels (the
    // picture's size), its window at their start.
    void CopyOf(const QRgb* pixels);
    // Points Picture at the rows from Top on.
    void Rebuild();

    QImage Picture;
    std::shared_ptr<TRows> Store;
    QRgb* Pixels = nullptr; // row 0 of the picture inside Store
    int Stride = 0;         // pixels per row
    int Top = 0;            // store row of picture row 0
    int Rows = 0;
};

} // namespace lemnar
