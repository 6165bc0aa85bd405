#pragma once
// The terminal's pictures on QImage, in one bundle: the window's own picture,
// ScreenBitmap, CursorBitmap, and the picture the window shows while it looks
// into the history or shows a selection. The main window and the offscreen
// terminal each hold one; the renderer draws on them.

#include "platform/QtSurface.h"
#include "terminal/Renderer.h"

#include <QImage>

namespace lemnar {

struct TPictures {
    TQtSurface Window;
    TQtSurface ScreenBitmap;
    TQtSurface Cursor;
    TQtSurface Shown;

    TSurfaces Surfaces() { return {Window, ScreenBitmap, Cursor, Shown}; }

    const QImage& Image(TPicture picture) const {
        switch (picture) {
        case TPicture::Window:
            return Window.Image();
        case TPicture::ScreenBitmap:
            return ScreenBitmap.Image();
        case TPicture::Shown:
            break;
        }
        return Shown.Image();
    }
    // A picture brought up to date.
    const QImage& Look(TRenderer& renderer, TPicture picture) const {
        renderer.Update();
        return Image(picture);
    }
    // What the window is to show, brought up to date.
    const QImage& Showing(TRenderer& renderer) const { return Image(renderer.Show()); }
};

} // namespace lemnar
