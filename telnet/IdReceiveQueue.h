#pragma once
// What a connection's thread has read, on its way to the window thread: the
// connection's opening or failure, each block's data, the events raised while
// it was read and the markers of bytes sent, in order. The connection's thread
// goes on reading while the window thread works, at most ReadAhead bytes ahead
// of what the window thread has handled; the window thread, woken by one
// posted call, takes what is queued in one go.
//
// Cancel (window thread) drops whatever is still queued and refuses what
// comes later: a cancelled queue never runs its handler again.

#include "telnet/IdMainThreadQueue.h"

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
    enum class TKind : std::uint8_t { Data, Disconnected, Command, Connected, ConnectFailed, Sent };
    struct TItem {
        TKind Kind = TKind::Data;
        std::string Data;              // Data: the block's application data; ConnectFailed: why
        std::uint8_t Status = 0;       // Command: the echo notification; ConnectFailed: the step
        std::size_t Read = 0;          // Data: the bytes read for it, which count as read ahead
        std::function<void()> Reached; // Sent: the marker's function
    };
    // Runs on the window thread, for each item in turn. An exception from it
    // cancels the queue and leaves the posted call.
    using THandler = std::function<void(TItem& item)>;

    static constexpr std::size_t ReadAhead = 64 * 1024;
    // A connection's thread that ran out of room reads on once the window
    // thread has brought the read-ahead down to this, so the two take turns
    // in batches rather than a block at a time.
    static constexpr std::size_t LowWater = ReadAhead / 2;

    // wake: tells the connection's thread that it has room again.
    static std::shared_ptr<TIdReceiveQueue> Make(TIdMainThreadQueue& queue, THandler handler,
                                                 std::function<void()> wake);

    // Connection's thread. false: cancelled, the item was dropped.
    bool Put(TItem item);
    // Connection's thread: whether it may read another block. Once the
    // read-ahead has reached ReadAhead, false until it is down to LowWater,
    // when the queue wakes the thread.
    bool HasRoom();
    bool Cancelled();

    // Window thread. true: an undelivered Disconnected item was dropped.
    bool Cancel();

  private:
    TIdReceiveQueue(TIdMainThreadQueue& queue, THandler handler, std::function<void()> wake)
        : Queue(queue), Handler(std::move(handler)), Wake(std::move(wake)) {}
    // The posted call: the items queued when it starts, in order.
    void Drain();

    TIdMainThreadQueue& Queue;
    THandler Handler;
    std::function<void()> Wake;
    std::mutex Mutex;
    std::deque<TItem> Items;
    std::size_t Ahead = 0; // bytes read and not yet handled
    bool Woken = false;    // a Drain is posted and has not started
    bool Full = false;     // the read-ahead reached ReadAhead and is not yet down to LowWater
    bool IsCancelled = false;
    bool DroppedDisconnect = false;
};

} // namespace lemnar
