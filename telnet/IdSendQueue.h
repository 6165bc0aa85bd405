#pragma once
// Bytes on their way to the server, in the order they were given: messages
// (a key, an escape sequence, a negotiation reply, a report), texts (a paste)
// and markers. Any thread puts; the connection's thread takes one write at a
// time and sends it as the socket takes it, so no caller ever waits on the
// network.
//
// A message leaves in one write whenever the socket takes it whole. A text
// is held once, as given, and leaves in writes of at most its piece size, cut
// as it goes. A marker is reached once every byte queued before it has been
// written.

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace lemnar {

class TIdSendQueue {
  public:
    using TMarker = std::function<void()>;
    // How far the texts in the queue have got, in the bytes they were given.
    struct TProgress {
        std::size_t Sent = 0;
        std::size_t Total = 0;
        bool Active() const { return Sent < Total; }
    };

    // wake: tells the connection's thread that something was put.
    explicit TIdSendQueue(std::function<void()> wake) : Wake(std::move(wake)) {}

    // Any thread. Nothing happens for an empty message.
    void Put(std::string message);
    // Any thread. With crLf every CR goes out as CR LF; a CR and its LF are
    // never split between writes.
    void PutText(std::string text, bool crLf, std::size_t pieceSize);
    void PutMarker(TMarker reached);

    // The connection's thread, once the previous write has left whole: moves
    // the next write into write and returns true, or false when nothing is
    // queued. Markers met on the way are added to reached, in order.
    bool Take(std::string& write, std::vector<TMarker>& reached);

    // Drops every text still queued, but for the write already taken. true:
    // something was dropped.
    bool StopText();
    // Drops everything queued.
    void Clear();
    TProgress Progress() const;
    bool Empty() const;

  private:
    enum class TKind : unsigned char { Message, Text, Marker };
    struct TItem {
        TKind Kind;
        std::string Bytes;
        std::size_t Next = 0; // Text: the first byte not yet taken
        bool CrLf = false;
        std::size_t PieceSize = 0;
        TMarker Reached;
    };
    void Push(TItem item);
    // Cuts the next piece of the text at the front.
    static std::string NextPiece(TItem& text);

    const std::function<void()> Wake;
    mutable std::mutex Mutex;
    std::deque<TItem> Items;
    TProgress Texts;
};

} // namespace lemnar
