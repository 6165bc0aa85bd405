#include "telnet/IdReceiveQueue.h"

#include <utility>

namespace lemnar {

std::shared_ptr<TIdReceiveQueue> TIdReceiveQueue::Make(TIdMainThreadQueue& queue, THandler handler,
                                                       std::function<void()> wake) {
    return std::shared_ptr<TIdReceiveQueue>(
        new TIdReceiveQueue(queue, std::move(handler), std::move(wake)));
}

bool TIdReceiveQueue::Put(TItem item) {
    bool wake = false;
    {
        std::lock_guard lock(Mutex);
        if (IsCancelled) {
            DroppedDisconnect = DroppedDisconnect || item.Kind == TKind::Disconnected;
            return false;
        }
        Ahead += item.Read;
        Full = Full || Ahead >= ReadAhead;
        Items.push_back(std::move(item));
        wake = !Woken;
        Woken = true;
    }
    // One call per batch: it holds the queue alive, and finds it cancelled
    // if the connection has gone meanwhile.
    if (wake)
        Queue.Post([self = shared_from_this()] { self->Drain(); });
    return true;
}

bool TIdReceiveQueue::HasRoom() {
    std::lock_guard lock(Mutex);
    return !Full;
}

bool TIdReceiveQueue::Cancelled() {
    std::lock_guard lock(Mutex);
    return IsCancelled;
}

bool TIdReceiveQueue::Cancel() {
    std::lock_guard lock(Mutex);
    IsCancelled = true;
    for (const TItem& item : Items)
        DroppedDisconnect = DroppedDisconnect || item.Kind == TKind::Disconnected;
    Items.clear();
    Ahead = 0;
    return std::exchange(DroppedDisconnect, false);
}

void TIdReceiveQueue::Drain() {
    std::size_t count = 0;
    {
        std::lock_guard lock(Mutex);
        Woken = false;
        count = Items.size();
    }
    // Items that arrive meanwhile have a call of their own, posted after the
    // events that came in since, so a stream never keeps the window from
    // painting.
    for (; count > 0; --count) {
        TItem item;
        {
            std::lock_guard lock(Mutex);
            // A handler may have disconnected: the rest is dropped.
            if (IsCancelled || Items.empty())
                return;
            item = std::move(Items.front());
            Items.pop_front();
        }
        try {
            Handler(item);
        } catch (...) {
            Cancel();
            throw;
        }
        bool wake = false;
        {
            std::lock_guard lock(Mutex);
            if (IsCancelled)
                return;
            Ahead -= item.Read;
            wake = Full && Ahead <= LowWater;
            Full = Full && !wake;
        }
        if (wake)
            Wake();
    }
}

} // namespace lemnar
