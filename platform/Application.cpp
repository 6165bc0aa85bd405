#include "platform/Application.h"

#include "platform/MessageBox.h"

#include <exception>

namespace lemnar {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowMessageBox(activeWindow(), e.what());
    } catch (...) {
        ShowMessageBox(activeWindow(), "Unknown error.");
    }
    return false;
}

} // namespace lemnar
