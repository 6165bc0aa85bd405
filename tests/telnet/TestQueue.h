#pragma once
// The window thread's queue for tests: the test thread plays the window
// thread and runs posted functions while it waits for something.

#include "telnet/IdConnection.h"
#include "telnet/IdMainThreadQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace lemnar {

class TTestQueue : public TIdMainThreadQueue {
  public:
    void Post(std::function<void()> fn) override;
    // Runs posted functions until done() holds or the timeout passes.
    // Returns done().
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Runs posted functions for a while.
    void PumpFor(std::chrono::milliseconds time);
    // Runs the first posted function, if any. false: none was posted.
    bool RunOne();
    std::size_t PendingCount();

  private:
    std::mutex Mutex;
    std::condition_variable Posted;
    std::deque<std::function<void()>> Pending;
};

// Starts an attempt and runs posted functions until it has ended. true:
// connected.
bool ConnectNow(TIdConnection& link, TTestQueue& queue);

} // namespace lemnar
