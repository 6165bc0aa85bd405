#pragma once
// The widget of the terminal area: it shows the window's own picture,
// brought up to date just before each paint, and reports resizes and
// uncovering to its owner.

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

    // Called before each paint: brings the picture up to date.
    std::function<void()> BeforePaint;
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
