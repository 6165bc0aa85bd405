#include "shell/MainWindow.h"

#include <QApplication>

namespace lemnar {

namespace {
constexpr int DefaultClientWidth = 640;
constexpr int DefaultClientHeight = 480;
} // namespace

TMainWindow::TMainWindow(QWidget* parent)
    : QMainWindow(parent), Terminal(*this, WindowPicture, ScreenBitmapPicture, CursorPicture) {
    setWindowTitle(QStringLiteral("Lemnar v. 2.54"));
    View = new TTerminalView(WindowPicture.Image(), this);
    setCentralWidget(View);
    View->OnResize = [this] { FormResize(); };
    View->OnExpose = [this] { FormPaint(); };
    move(198, 107);
    SetClientSize(DefaultClientWidth, DefaultClientHeight);
}

int TMainWindow::ClientWidth() const {
    return View->width();
}
int TMainWindow::ClientHeight() const {
    return View->height();
}

void TMainWindow::SetClientSize(int width, int height) {
    const QSize frame = size() - View->size();
    View->resize(width, height);
    resize(width + frame.width(), height + frame.height());
}

void TMainWindow::MessageBeep(unsigned) {
    QApplication::beep();
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (Shown)
        return;
    Shown = true;
    FormShow();
}

void TMainWindow::FormShow() {
    Terminal.UpdateCellMetrics();
    Terminal.ResetScreen();
    View->update();
}

void TMainWindow::FormResize() {
    if (!Shown || InResize)
        return;
    InResize = true;
    Terminal.UpdateCellMetrics();
    InResize = false;
    View->update();
}

void TMainWindow::FormPaint() {
    if (!Shown)
        return;
    Terminal.FormPaint();
    View->update();
}

} // namespace lemnar
