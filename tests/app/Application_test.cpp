// An exception that leaves an event handler is shown in a box and the
// program goes on; one from the handler of received data also ends the
// connection the usual way.

#include "app/AppFixture.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "support/LoggedData.h"
#include "support/ScriptedServer.h"

#include <QEvent>
#include <QObject>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace lemnar {
namespace {

class TThrowing : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("handler failed");
        if (e->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(e);
    }
};

TEST(TApplicationTest, ExceptionsFromHandlersAreShownAndTheLoopGoesOn) {
    std::vector<std::string> texts;
    SetMessageBoxHook([&](const std::string& text, TMessageKind) {
        texts.push_back(text);
        return IdOk;
    });
    TThrowing target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&target, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1)));
    QCoreApplication::processEvents();
    QEvent direct(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &direct));
    EXPECT_EQ(texts,
              (std::vector<std::string>{"handler failed", "Unknown error.", "handler failed"}));
    SetMessageBoxHook(nullptr);
}

// The handler fails on the third block: its exception is shown as any
// handler's, the connection ends as a dropped one does (caption, menus), and
// the two blocks before it are on the screen and in the log.
using TFailingHandlerTest = test::TAppTest;

TEST_F(TFailingHandlerTest, EndsTheConnectionTheUsualWay) {
    test::TScriptedServer server(test::OwnThread);
    const auto log = Dir / "lemnar.log";
    Window = std::make_unique<TMainWindow>(
        std::vector<std::string>{"P", log.string(), "h", server.HostPort()}, Dir.Path().string());
    const auto handler = Window->Telnet.OnDataAvailable;
    int blocks = 0;
    Window->Telnet.OnDataAvailable = [&](std::string block) {
        if (++blocks == 3)
            throw std::runtime_error("the third block failed");
        handler(std::move(block));
    };
    Window->show();
    ASSERT_TRUE(WaitAttempt());
    ASSERT_EQ(Window->Connected, 1);
    for (const char* block : {"one ", "two ", "three"}) {
        const int before = blocks;
        ASSERT_TRUE(server.Send(block));
        ASSERT_TRUE(test::WaitUntil([&] { return blocks > before; }));
    }
    ASSERT_TRUE(test::WaitUntil([&] { return Window->Connected == 0; }));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"the third block failed"});
    EXPECT_EQ(Caption(), "Lemnar v. 2.54 Отключено.");
    EXPECT_TRUE(Window->Conn->isEnabled());
    EXPECT_FALSE(Window->DisConn->isEnabled());
    EXPECT_TRUE(test::ScreenHas(Window->Terminal, "one two "));
    EXPECT_TRUE(test::WaitUntil([&] { return server.PeerClosed(); }));
    Window.reset();
    EXPECT_EQ(test::LoggedData(log), "one two ");
}

} // namespace
} // namespace lemnar

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    lemnar::TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
