#include "platform/MainThreadQueue.h"

namespace lemnar {

TQtMainThreadQueue::TQtMainThreadQueue() = default;

void TQtMainThreadQueue::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&Context, std::move(fn), Qt::QueuedConnection);
}

} // namespace lemnar
