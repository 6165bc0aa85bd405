#pragma once
// The main window: it owns the terminal with its pictures and shows the
// window's own picture in its client area.

#include "platform/QtSurface.h"
#include "platform/TerminalView.h"
#include "terminal/Terminal.h"

#include <QMainWindow>

namespace lemnar {

class TMainWindow : public QMainWindow, public TTerminalHost {
    Q_OBJECT
  public:
    explicit TMainWindow(QWidget* parent = nullptr);

    // TTerminalHost
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height) override;
    TFontSpec WindowFont() const override { return Font; }
    void MessageBeep(unsigned type) override;

    void FormShow();
    void FormResize();
    void FormPaint();

    TFontSpec Font;
    TQtSurface WindowPicture;
    TQtSurface ScreenBitmapPicture;
    TQtSurface CursorPicture;
    TTerminal Terminal;
    TTerminalView* View = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool Shown = false;
    bool InResize = false;
};

} // namespace lemnar
