#include "telnet/IdSendQueue.h"

#include <algorithm>

namespace lemnar {

void TIdSendQueue::Push(TItem item) {
    {
        std::lock_guard lock(Mutex);
        if (item.Kind == TKind::Text) {
            // The progress counts the texts of one run of pasting.
            if (!Texts.Active())
                Texts = {};
            Texts.Total += item.Bytes.size();
        }
        Items.push_back(std::move(item));
    }
    Wake();
}

void TIdSendQueue::Put(std::string message) {
    if (!message.empty())
        Push({TKind::Message, std::move(message), 0, false, 0, {}});
}

void TIdSendQueue::PutText(std::string text, bool crLf, std::size_t pieceSize) {
    if (!text.empty())
        Push({TKind::Text, std::move(text), 0, crLf, std::max<std::size_t>(pieceSize, 2), {}});
}

void TIdSendQueue::PutMarker(TMarker reached) {
    Push({TKind::Marker, {}, 0, false, 0, std::move(reached)});
}

std::string TIdSendQueue::NextPiece(TItem& text) {
    std::string piece;
    piece.reserve(text.PieceSize);
    while (text.Next < text.Bytes.size()) {
        const char b = text.Bytes[text.Next];
        const std::size_t need = b == '\r' && text.CrLf ? 2 : 1;
        if (piece.size() + need > text.PieceSize)
            break;
        piece += b;
        if (need == 2)
            piece += '\n';
        ++text.Next;
    }
    return piece;
}

bool TIdSendQueue::Take(std::string& write, std::vector<TMarker>& reached) {
    std::lock_guard lock(Mutex);
    while (!Items.empty()) {
        TItem& front = Items.front();
        switch (front.Kind) {
        case TKind::Marker:
            reached.push_back(std::move(front.Reached));
            Items.pop_front();
            break;
        case TKind::Message:
            write = std::move(front.Bytes);
            Items.pop_front();
            return true;
        case TKind::Text: {
            const std::size_t from = front.Next;
            write = NextPiece(front);
            Texts.Sent += front.Next - from;
            if (front.Next == front.Bytes.size())
                Items.pop_front();
            return true;
        }
        }
    }
    return false;
}

bool TIdSendQueue::StopText() {
    std::lock_guard lock(Mutex);
    const auto before = Items.size();
    std::erase_if(Items, [](const TItem& item) { return item.Kind == TKind::Text; });
    Texts = {};
    return Items.size() != before;
}

void TIdSendQueue::Clear() {
    std::lock_guard lock(Mutex);
    Items.clear();
    Texts = {};
}

TIdSendQueue::TProgress TIdSendQueue::Progress() const {
    std::lock_guard lock(Mutex);
    return Texts;
}

bool TIdSendQueue::Empty() const {
    std::lock_guard lock(Mutex);
    return Items.empty();
}

} // namespace lemnar
