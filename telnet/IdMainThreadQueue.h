#pragma once
// The window thread's queue: the one thing the telnet engine needs of the
// windowing toolkit. Post may be called from any thread; the function runs
// later, on the window thread, in the order posted. A function whose queue is
// destroyed before it ran may be dropped.

#include <functional>

namespace lemnar {

class TIdMainThreadQueue {
  public:
    virtual ~TIdMainThreadQueue() = default;
    virtual void Post(std::function<void()> fn) = 0;
};

} // namespace lemnar
