// The send queue on its own: the order of messages, texts and markers, how a
// text is cut into writes, and stopping a text part way.

#include "telnet/IdSendQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lemnar {
namespace {

// Takes every write the queue holds; a marker shows as "<n>".
std::vector<std::string> TakeAll(TIdSendQueue& queue) {
    std::vector<std::string> writes;
    std::vector<TIdSendQueue::TMarker> reached;
    std::string write;
    for (;;) {
        const bool more = queue.Take(write, reached);
        for (auto& marker : reached)
            marker();
        reached.clear();
        if (!more)
            return writes;
        writes.push_back(write);
    }
}

// A text goes out as its bytes one by one through SendCh would, CR by the
// same rule, in writes of at most 512 bytes that never part CR from its LF.
TEST(IdSendQueueTest, CutsATextIntoWritesOfBoundedSize) {
    struct TCase {
        std::string Text;
        bool CrLf;
        std::vector<std::string> Writes;
    };
    const TCase cases[] = {
        {"", true, {}},
        {"ls\r\t\x8F\xE0", true, {"ls\r\n\t\x8F\xE0"}},
        {std::string(1200, 'x'),
         true,
         {std::string(512, 'x'), std::string(512, 'x'), std::string(176, 'x')}},
        {std::string(511, 'x') + "\ry", true, {std::string(511, 'x'), "\r\ny"}},
        {std::string(511, 'x') + "\ry\r", false, {std::string(511, 'x') + "\r", "y\r"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text.substr(0, 12));
        int woken = 0;
        TIdSendQueue queue([&] { ++woken; });
        queue.PutText(c.Text, c.CrLf, 512);
        EXPECT_EQ(TakeAll(queue), c.Writes);
        EXPECT_EQ(woken, c.Text.empty() ? 0 : 1);
    }
}

// Everything leaves in the order it was put, and a marker is reached only
// when every write before it has been taken whole.
TEST(IdSendQueueTest, KeepsTheOrderOfMessagesTextsAndMarkers) {
    TIdSendQueue queue([] {});
    std::vector<std::string> order;
    queue.Put("a");
    queue.PutMarker([&] { order.push_back("<1>"); });
    queue.PutText(std::string(600, 't'), false, 512);
    queue.Put("");
    queue.Put("key");
    queue.PutMarker([&] { order.push_back("<2>"); });
    std::vector<TIdSendQueue::TMarker> reached;
    std::string write;
    while (queue.Take(write, reached)) {
        for (auto& marker : reached)
            marker();
        reached.clear();
        order.push_back(write.size() > 8 ? std::to_string(write.size()) : write);
    }
    for (auto& marker : reached)
        marker();
    EXPECT_EQ(order, (std::vector<std::string>{"a", "<1>", "512", "88", "key", "<2>"}));
    EXPECT_TRUE(queue.Empty());
}

// Stopping a paste drops what it has not yet handed out; the write already
// taken and the keys typed after it still go.
TEST(IdSendQueueTest, StoppingATextKeepsWhatCameAfterIt) {
    TIdSendQueue queue([] {});
    queue.PutText(std::string(2000, 'p'), false, 512);
    queue.Put("k");
    std::vector<TIdSendQueue::TMarker> reached;
    std::string write;
    ASSERT_TRUE(queue.Take(write, reached));
    EXPECT_EQ(write.size(), 512u);
    const TIdSendQueue::TProgress progress = queue.Progress();
    EXPECT_EQ(progress.Sent, 512u);
    EXPECT_EQ(progress.Total, 2000u);
    EXPECT_TRUE(progress.Active());
    EXPECT_TRUE(queue.StopText());
    EXPECT_FALSE(queue.Progress().Active());
    EXPECT_EQ(TakeAll(queue), std::vector<std::string>{"k"});
    EXPECT_FALSE(queue.StopText());
}

} // namespace
} // namespace lemnar
