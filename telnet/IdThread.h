#pragma once
// Thread base: a thread that calls Run over and over until it is told to stop
// or an exception leaves Run, and that can run a function on the window thread
// and wait for it (Synchronize).
//
// The owner starts the thread once the derived object is complete (Start), and
// stops and joins it before destroying it (Terminate, WaitFor). Terminate also
// cancels a pending Synchronize, so a terminated thread never needs the window
// thread again: the window thread may join it without deadlock.

#include "telnet/IdMainThreadQueue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace lemnar {

class TIdThread {
  public:
    explicit TIdThread(TIdMainThreadQueue& queue);
    virtual ~TIdThread();
    TIdThread(const TIdThread&) = delete;
    TIdThread& operator=(const TIdThread&) = delete;

    void Start();
    // Asks the loop to stop and cancels a pending Synchronize. Any thread.
    void Terminate();
    // Joins the thread; nothing happens if it was never started.
    void WaitFor();
    bool Terminated() const { return TerminatedFlag.load(); }
    bool IsCurrentThread() const;

    // Runs fn on the window thread and waits until it returned. Returns false
    // when the call was cancelled (Terminate) before fn began; fn then never
    // runs. An exception from fn is raised again here when fn finished before
    // a cancel.
    bool Synchronize(std::function<void()> fn);

  protected:
    virtual void Run() = 0;

  private:
    struct TSyncState;

    void Execute();

    TIdMainThreadQueue& Queue;
    std::shared_ptr<TSyncState> Sync;
    std::atomic<bool> TerminatedFlag{false};
    std::thread Thread;
};

} // namespace lemnar
