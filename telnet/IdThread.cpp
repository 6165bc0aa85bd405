#include "telnet/IdThread.h"

#include <condition_variable>
#include <exception>
#include <mutex>

namespace lemnar {

// Shared with every posted call, so a call that runs after the thread (or its
// owner) is gone finds the cancel flag and touches nothing else.
struct TIdThread::TSyncState {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Cancelled = false;
};

namespace {

// The TIdThread whose loop runs on this thread, if any.
thread_local const TIdThread* CurrentThread = nullptr;

struct TSyncCall {
    bool Started = false;
    bool Finished = false;
    std::exception_ptr Error;
};

} // namespace

TIdThread::TIdThread(TIdMainThreadQueue& queue)
    : Queue(queue), Sync(std::make_shared<TSyncState>()) {}

TIdThread::~TIdThread() {
    Terminate();
    WaitFor();
}

void TIdThread::Start() {
    Thread = std::thread([this] { Execute(); });
}

void TIdThread::Terminate() {
    TerminatedFlag.store(true);
    std::lock_guard lock(Sync->Mutex);
    Sync->Cancelled = true;
    Sync->Changed.notify_all();
}

void TIdThread::WaitFor() {
    if (Thread.joinable())
        Thread.join();
}

bool TIdThread::IsCurrentThread() const {
    return CurrentThread == this;
}

bool TIdThread::Synchronize(std::function<void()> fn) {
    auto call = std::make_shared<TSyncCall>();
    {
        std::lock_guard lock(Sync->Mutex);
        if (Sync->Cancelled)
            return false;
    }
    Queue.Post([sync = Sync, call, fn = std::move(fn)] {
        {
            std::lock_guard lock(sync->Mutex);
            if (sync->Cancelled)
                return;
            call->Started = true;
        }
        std::exception_ptr error;
        try {
            fn();
        } catch (...) {
            error = std::current_exception();
        }
        // Only the shared objects are touched from here on: fn may have
        // stopped and destroyed this thread object.
        std::lock_guard lock(sync->Mutex);
        call->Finished = true;
        call->Error = error;
        sync->Changed.notify_all();
    });
    std::unique_lock lock(Sync->Mutex);
    Sync->Changed.wait(lock, [&] { return call->Finished || Sync->Cancelled; });
    if (call->Finished && call->Error)
        std::rethrow_exception(call->Error);
    return call->Started;
}

void TIdThread::Execute() {
    CurrentThread = this;
    while (!Terminated()) {
        try {
            Run();
        } catch (...) {
            break;
        }
    }
}

} // namespace lemnar
