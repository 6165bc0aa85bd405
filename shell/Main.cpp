// Lemnar: a terminal for QNX servers over telnet.

#include "platform/Application.h"
#include "shell/MainWindow.h"

#include <QPixmapCache>
#include <QStringList>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    lemnar::TApplication app(argc, argv);
    // Names the installed desktop entry, so a desktop shows the window with
    // the entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lemnar.Lemnar"));
    // The program ends when the main window has closed for good, whatever
    // other window is still open.
    app.setQuitOnLastWindowClosed(false);
    // The style caches what it draws for the panels and menus under keys
    // that change each time the host prompt is shown; with Qt's default of
    // 10 MiB a long session's memory creeps up by that much. The program
    // draws its terminal itself, so a small cache does.
    QPixmapCache::setCacheLimit(1024);
    std::vector<std::string> args;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdString());
    lemnar::TMainWindow window(std::move(args),
                               QCoreApplication::applicationDirPath().toStdString());
    QObject::connect(&window, &lemnar::TMainWindow::Finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    return QApplication::exec();
}
