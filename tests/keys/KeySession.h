#pragma once
// A main window connected to a loopback server that records what the keys
// send. Keys are driven with Qt's test events, which pass through Qt's
// shortcut matching like real ones.

#include "platform/MessageBox.h"
#include "shell/MainWindow.h"
#include "support/Bytes.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lemnar::test {

using namespace std::chrono_literals;

class TKeySession {
  public:
    // terminalType as the T option takes it: "qnx", "ansi" or "tty".
    explicit TKeySession(const std::string& terminalType) {
        SetMessageBoxHook([this](const std::string& text, TMessageKind kind) {
            Boxes.push_back(text);
            return kind == TMessageKind::YesNoQuestion ? YesNoAnswer : IdOk;
        });
        const std::vector<std::string> args = {"h", "127.0.0.1:" + std::to_string(Server.Port()),
                                               "T", terminalType};
        Main = std::make_unique<TMainWindow>(args, Dir.Path().string());
        Main->show(); // start-up connects at once: the host is known
        Accepted = Server.Accept(5s);
        Active = QTest::qWaitForWindowActive(Main.get(), 5000);
        Main->View->setFocus();
        Marker = terminalType == "qnx"    ? TMarker{Qt::Key_F1, "\xFF\xFF\x81"}
                 : terminalType == "ansi" ? TMarker{Qt::Key_F1, "\x1BOP"}
                                          : TMarker{Qt::Key_Z, "z"};
        Settle();
        Server.ClearReceived();
    }
    ~TKeySession() {
        Main.reset();
        SetMessageBoxHook({});
    }
    TKeySession(const TKeySession&) = delete;
    TKeySession& operator=(const TKeySession&) = delete;

    bool Ready() const { return Accepted && Active && Main->Connected == 1; }

    // Runs the key presses, then the marker key on the same target, and
    // returns the bytes the server got before the marker's. Waits for the
    // expected count only, so a missing byte costs the timeout and an extra
    // one shows in the result.
    std::string Sent(const std::function<void()>& keys, std::size_t expectedSize,
                     QWidget* target = nullptr) {
        keys();
        QTest::keyClick(target != nullptr ? target : Main->View, Marker.Key);
        const std::size_t total = expectedSize + Marker.Bytes.size();
        WaitFor([&] { return Server.Received().size() >= total; }, 3s);
        Settle();
        std::string bytes = Server.ReceivedText();
        Server.ClearReceived();
        if (bytes.ends_with(Marker.Bytes))
            bytes.resize(bytes.size() - Marker.Bytes.size());
        else
            bytes += "<no marker>";
        return bytes;
    }

    // One key on the terminal area.
    std::string SentBy(Qt::Key key, Qt::KeyboardModifiers modifiers, std::size_t expectedSize) {
        return Sent([&] { QTest::keyClick(Main->View, key, modifiers); }, expectedSize);
    }

    // Processes events and reads the server until the condition holds.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            Server.Poll();
            QTest::qSleep(2);
        }
        return true;
    }

    // Lets pending events and bytes arrive.
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            Server.Poll();
            QTest::qSleep(2);
        }
    }

    TTempDir Dir;
    TScriptedServer Server;
    std::unique_ptr<TMainWindow> Main;
    std::vector<std::string> Boxes;
    int YesNoAnswer = IdNo;

  private:
    struct TMarker {
        Qt::Key Key;
        std::string Bytes;
    };
    TMarker Marker;
    bool Accepted = false;
    bool Active = false;
};

} // namespace lemnar::test
