#pragma once
// The widget of the terminal area: it shows the window's picture (or what its
// owner gives at each paint, brought up to date then), and reports resizes
// and uncovering to its owner.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace lemnar {

class TTerminalView : public QWidget {
    Q_OBJECT
  public:
    explicit TTerminalView(const QImage& picture, QWidget* parent = nullptr);

    // The picture has changed: it goes to the screen at once, and while
    // changes keep coming, once a frame (FrameMs) with the latest picture.
    void PictureChanged();
    static constexpr int FrameMs = 16;

    // Called at each paint: brings the picture to show up to date and gives
    // it. Unset: the picture given at construction.
    std::function<const QImage&()> Source;
    // Called when the widget has been resized (the window's client area).
    std::function<void()> OnResize;
    // Called when the window has been exposed again and must be repainted from
    // its backing picture.
    std::function<void()> OnExpose;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    const QImage& Picture;
    // Runs for a frame after each transfer to the screen.
    QTimer FrameTimer;
    bool ChangedInFrame = false;
};

} // namespace lemnar
