#include "platform/TerminalView.h"

#include <QPaintEvent>
#include <QPainter>

namespace lemnar {

TTerminalView::TTerminalView(const QImage& picture, QWidget* parent)
    : QWidget(parent), Picture(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(false);
}

void TTerminalView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    painter.drawImage(event->rect().topLeft(), Picture, event->rect());
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
