// Lemnar: a terminal for QNX servers over telnet.

#include "shell/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    lemnar::TMainWindow window;
    window.show();
    return QApplication::exec();
}
