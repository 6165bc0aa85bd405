#pragma once
// The window thread's queue on Qt: posted functions run from the event loop
// of the thread that created the queue.

#include "telnet/IdMainThreadQueue.h"

#include <QObject>

namespace lemnar {

class TQtMainThreadQueue : public TIdMainThreadQueue {
  public:
    // Create on the window thread. Functions still queued when the queue is
    // destroyed are dropped.
    TQtMainThreadQueue();
    void Post(std::function<void()> fn) override;

  private:
    QObject Context;
};

} // namespace lemnar
