// An exception that leaves an event handler is shown in a box and the
// program goes on.

#include "platform/Application.h"
#include "platform/MessageBox.h"

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

} // namespace
} // namespace lemnar

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    lemnar::TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
