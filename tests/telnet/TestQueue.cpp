#include "TestQueue.h"

namespace lemnar {

void TTestQueue::Post(std::function<void()> fn) {
    std::lock_guard lock(Mutex);
    Pending.push_back(std::move(fn));
    Posted.notify_all();
}

bool TTestQueue::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::function<void()> fn;
        {
            std::unique_lock lock(Mutex);
            // Short slices: done() may wait on another thread, not on a post.
            Posted.wait_for(lock, std::chrono::milliseconds(5),
                            [this] { return !Pending.empty(); });
            if (Pending.empty())
                continue;
            fn = std::move(Pending.front());
            Pending.pop_front();
        }
        fn();
    }
    return true;
}

void TTestQueue::PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

bool TTestQueue::RunOne() {
    std::function<void()> fn;
    {
        std::lock_guard lock(Mutex);
        if (Pending.empty())
            return false;
        fn = std::move(Pending.front());
        Pending.pop_front();
    }
    fn();
    return true;
}

std::size_t TTestQueue::PendingCount() {
    std::lock_guard lock(Mutex);
    return Pending.size();
}

bool ConnectNow(TIdConnection& link, TTestQueue& queue) {
    // The connection may end in the same batch that opens it.
    bool opened = false;
    const TIdConnection::TNotifyEvent handler = link.OnConnected;
    link.OnConnected = [&](TIdConnection& sender) {
        opened = true;
        if (handler)
            handler(sender);
    };
    link.Connect();
    queue.PumpUntil([&] { return !link.IsConnecting(); });
    link.OnConnected = handler;
    return opened;
}

} // namespace lemnar
