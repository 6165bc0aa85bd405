// The terminal widget takes a changed picture to the screen at once after a
// quiet spell, and while changes keep coming, once a frame with the latest
// picture: a change is never left unshown.

#include "platform/TerminalView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace lemnar {
namespace {

// Counts the paint events a widget gets and notes the picture's first pixel
// at each of them.
class TPaintCounter : public QObject {
  public:
    explicit TPaintCounter(const QImage& picture) : Picture(picture) {}
    int Paints = 0;
    QRgb LastShown = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
            LastShown = Picture.pixel(0, 0);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QImage& Picture;
};

// Runs the event loop for at least ms milliseconds.
void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(TerminalView, ChangesReachTheScreenAtOnceThenOnceAFrame) {
    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(Qt::black);
    TTerminalView view(picture);
    view.resize(64, 32);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Spin(5 * TTerminalView::FrameMs);
    TPaintCounter counter(picture);
    view.installEventFilter(&counter);

    // After a quiet spell the first change is shown without waiting a frame.
    picture.setPixel(0, 0, qRgb(1, 0, 0));
    view.PictureChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Paints, 1);
    EXPECT_EQ(counter.LastShown, qRgb(1, 0, 0));

    // Changes within the frame wait for it, and then the latest picture is
    // shown once.
    for (int i = 2; i <= 20; ++i) {
        picture.setPixel(0, 0, qRgb(i, 0, 0));
        view.PictureChanged();
    }
    EXPECT_EQ(counter.Paints, 1);
    Spin(3 * TTerminalView::FrameMs);
    EXPECT_EQ(counter.Paints, 2);
    EXPECT_EQ(counter.LastShown, qRgb(20, 0, 0));

    // A long stream of changes, the event loop running between them as it
    // does between received blocks: about one transfer a frame, however
    // slowly the machine runs, and the last picture shown in the end.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 400; ++i) {
        picture.setPixel(0, 0, qRgb(0, i % 256, 1));
        view.PictureChanged();
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    EXPECT_LE(counter.Paints - 2, 2 + elapsed / TTerminalView::FrameMs) << elapsed << " ms";
    Spin(3 * TTerminalView::FrameMs);
    EXPECT_EQ(counter.LastShown, qRgb(0, 399 % 256, 1));
    const int paints = counter.Paints;

    // Nothing changed since: no more transfers; then a change is shown at
    // once again.
    Spin(3 * TTerminalView::FrameMs);
    EXPECT_EQ(counter.Paints, paints);
    picture.setPixel(0, 0, qRgb(99, 0, 0));
    view.PictureChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Paints, paints + 1);
    EXPECT_EQ(counter.LastShown, qRgb(99, 0, 0));
}

// The widget paints black where the picture does not reach.
TEST(TerminalView, AreaBeyondThePictureIsBlack) {
    QImage picture(16, 8, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    TTerminalView view(picture);
    view.resize(40, 20);
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixel(3, 3), qRgb(200, 100, 50));
    EXPECT_EQ(shown.pixel(15, 7), qRgb(200, 100, 50));
    EXPECT_EQ(shown.pixel(16, 3), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(3, 8), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(39, 19), qRgb(0, 0, 0));
}

} // namespace
} // namespace lemnar
