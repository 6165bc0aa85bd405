#pragma once
// What the receive thread has read, on its way to the window thread: each
// block's data, and the events raised while it was read, in order. The
// receive thread goes on reading while the window thread works, at most
// ReadAhead bytes ahead of what the window thread has handled; the window
// thread, woken by one posted call, takes what is queued in one go.
//
// Cancel (window thread) drops whatever is still queued, refuses what comes
// later and wakes a receive thread that waits for room: a cancelled queue
// never runs its handler again.

#include "telnet/IdMainThreadQueue.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace lemnar {

class TIdReceiveQueue : public std::enable_shared_from_this<TIdReceiveQueue> {
  public:
    enum class TKind : std::uint8_t { Data, Disconnected, Command };
    struct TItem {
        TKind Kind = TKind::Data;
        std::string Data;        // Data: the block's application data
        std::uint8_t Status = 0; // Command: the echo notification
        std::size_t Read = 0;    // Data: the bytes read for it, which count as read ahead
    };
    // Runs on the window thread, for each item in turn. An exception from it
    // cancels the queue: the receive thread then ends.
    using THandler = std::function<void(TItem& item)>;

    static constexpr std::size_t ReadAhead = 64 * 1024;
    // A receive thread that had to wait reads on once the window thread has
    // brought the read-ahead down to this, so the two take turns in batches
    // rather than a block at a time.
    static constexpr std::size_t LowWater = ReadAhead / 2;

    static std::shared_ptr<TIdReceiveQueue> Make(TIdMainThreadQueue& queue, THandler handler);

    // Receive thread. false: cancelled, the item was dropped.
    bool Put(TItem item);
    // Receive thread: with ReadAhead bytes or more queued or being handled,
    // waits until no more than LowWater are. false: cancelled.
    bool WaitForRoom();
    bool Cancelled();

    // Window thread. true: an undelivered Disconnected item was dropped.
    bool Cancel();

  private:
    TIdReceiveQueue(TIdMainThreadQueue& queue, THandler handler)
        : Queue(queue), Handler(std::move(handler)) {}
    // The posted call: the items queued when it starts, in order.
    void Drain();

    TIdMainThreadQueue& Queue;
    THandler Handler;
    std::mutex Mutex;
    std::condition_variable Room;
    std::deque<TItem> Items;
    std::size_t Ahead = 0; // bytes read and not yet handled
    bool Woken = false;    // a Drain is posted and has not started
    bool Waiting = false;  // the receive thread waits for room
    bool IsCancelled = false;
    bool DroppedDisconnect = false;
};

} // namespace lemnar
