// Lemnar: a terminal for QNX servers over telnet.

#include "platform/Application.h"
#include "shell/MainWindow.h"

#include <QStringList>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    lemnar::TApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    std::vector<std::string> args;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(arguments[i].toStdString());
    lemnar::TMainWindow window(std::move(args),
                               QCoreApplication::applicationDirPath().toStdString());
    window.show();
    return QApplication::exec();
}
