#include "telnet/IdThread.h"

namespace lemnar {

namespace {

// The TIdThread whose loop runs on this thread, if any.
thread_local const TIdThread* CurrentThread = nullptr;

} // namespace

TIdThread::~TIdThread() {
    Terminate();
    WaitFor();
}

void TIdThread::Start() {
    Thread = std::thread([this] { Execute(); });
}

void TIdThread::WaitFor() {
    if (Thread.joinable())
        Thread.join();
}

const TIdThread* TIdThread::Current() {
    return CurrentThread;
}

bool TIdThread::IsCurrentThread() const {
    return CurrentThread == this;
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
