#pragma once
// The application object: an exception that leaves an event handler is shown
// in the standard error box and the program goes on.

#include <QApplication>

namespace lemnar {

class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace lemnar
