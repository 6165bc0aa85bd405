// The Qt queue: functions posted from any thread run on the GUI thread, in
// order; the engine's events arrive there through it.

#include "TelnetProbe.h"
#include "platform/MainThreadQueue.h"
#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace lemnar {
namespace {

using test::TScriptedServer;

TEST(MainThreadQueueTest, RunsPostedFunctionsOnTheGuiThreadInOrder) {
    TQtMainThreadQueue queue;
    std::vector<int> order;
    bool foreign = false;
    const auto gui = std::this_thread::get_id();
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            queue.Post([&, i] {
                foreign = foreign || std::this_thread::get_id() != gui;
                order.push_back(i);
            });
    });
    poster.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 100; }, 5000));
    EXPECT_FALSE(foreign);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(MainThreadQueueTest, CarriesTheEnginesEvents) {
    TScriptedServer server;
    ASSERT_TRUE(server.Listening());
    TQtMainThreadQueue queue;
    TIdTelnet telnet(queue);
    TTelnetProbe probe(telnet);
    telnet.Host = "127.0.0.1:" + std::to_string(server.Port());
    telnet.Connect();
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(server.Send("qt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.Has("data:qt"); }, 5000));
    server.Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.Events.size() == 4; }, 5000));
    const std::vector<std::string> expected = {"connected", "data:qt", "disconnected", "data:"};
    EXPECT_EQ(probe.Events, expected);
    EXPECT_EQ(probe.ForeignThreadEvents, 0);
}

} // namespace
} // namespace lemnar
