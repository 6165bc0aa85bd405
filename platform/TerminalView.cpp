#include "platform/TerminalView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace lemnar {

TTerminalView::TTerminalView(const QImage& picture, QWidget* parent)
    : QWidget(parent), Picture(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(false);
    FrameTimer.setSingleShot(true);
    FrameTimer.setInterval(FrameMs);
    connect(&FrameTimer, &QTimer::timeout, this, [this] {
        if (!ChangedInFrame)
            return;
        ChangedInFrame = false;
        update();
        FrameTimer.start();
    });
}

void TTerminalView::PictureChanged() {
    // A stream of received blocks would otherwise cost a transfer of the
    // whole picture per block, many more than a screen can show.
    if (FrameTimer.isActive()) {
        ChangedInFrame = true;
        return;
    }
    update();
    FrameTimer.start();
}

void TTerminalView::paintEvent(QPaintEvent* event) {
    const QImage& picture = Source ? Source() : Picture;
    QPainter painter(this);
    // The picture where it reaches, black around it: every pixel once.
    const QRect shown = event->rect() & picture.rect();
    for (const QRect& rest : QRegion(event->rect()) - QRegion(shown))
        painter.fillRect(rest, Qt::black);
    if (!shown.isEmpty())
        painter.drawImage(shown.topLeft(), picture, shown);
}

void TTerminalView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize)
        OnResize();
}

void TTerminalView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (OnExpose)
        OnExpose();
}

} // namespace lemnar
