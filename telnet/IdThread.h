#pragma once
// Thread base: a thread that calls Run over and over until it is told to stop
// or an exception leaves Run.
//
// The owner starts the thread once the derived object is complete (Start), and
// stops and joins it before destroying it (Terminate, WaitFor).

#include <atomic>
#include <thread>

namespace lemnar {

class TIdThread {
  public:
    TIdThread() = default;
    virtual ~TIdThread();
    TIdThread(const TIdThread&) = delete;
    TIdThread& operator=(const TIdThread&) = delete;

    void Start();
    // Asks the loop to stop after the current Run. Any thread.
    void Terminate() { TerminatedFlag.store(true); }
    // Joins the thread; nothing happens if it was never started.
    void WaitFor();
    bool Terminated() const { return TerminatedFlag.load(); }
    bool IsCurrentThread() const;
    // The TIdThread whose loop runs on the calling thread, if any.
    static const TIdThread* Current();

  protected:
    virtual void Run() = 0;

  private:
    void Execute();

    std::atomic<bool> TerminatedFlag{false};
    std::thread Thread;
};

} // namespace lemnar
