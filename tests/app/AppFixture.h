#pragma once
// The real main window, headless, started from a temporary program directory
// with its message boxes captured.

#include "platform/MessageBox.h"
#include "shell/MainWindow.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lemnar::test {

// Runs the event loop until pred holds or timeoutMs have passed.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs the event loop for ms.
inline void Pump(int ms) {
    WaitUntil([] { return false; }, ms);
}

// Some row of the grid holds text.
inline bool ScreenHas(const TTerminal& terminal, const std::string& text) {
    for (int row = 0; row < terminal.ScreenRows; ++row) {
        std::string bytes;
        for (int col = 0; col < terminal.ScreenCols; ++col)
            bytes += static_cast<char>(terminal.ScreenCells[row][col].Ch);
        if (bytes.find(text) != std::string::npos)
            return true;
    }
    return false;
}

struct TBox {
    std::string Text;
    TMessageKind Kind;
    bool WindowVisible; // the main window was visible when the box came
};

class TAppTest : public ::testing::Test {
  protected:
    TAppTest() {
        SetMessageBoxHook([this](const std::string& text, TMessageKind kind) {
            Boxes.push_back({text, kind, Window != nullptr && Window->isVisible()});
            // A real box runs an event loop of its own until it is answered.
            if (BoxLoopMs > 0) {
                QEventLoop loop;
                QTimer::singleShot(BoxLoopMs, &loop, &QEventLoop::quit);
                loop.exec();
            }
            if (kind == TMessageKind::Ok)
                return IdOk;
            if (Answers.empty())
                return IdNo;
            const int answer = Answers.front();
            Answers.pop_front();
            return answer;
        });
    }
    ~TAppTest() override {
        Window.reset();
        SetMessageBoxHook(nullptr);
    }

    // Builds the window with args and shows it, which runs start-up, and
    // waits until a connect that start-up began has ended. The program's
    // directory is Dir unless programDir names another.
    void Start(std::vector<std::string> args, const std::filesystem::path& programDir = {}) {
        Window = std::make_unique<TMainWindow>(
            std::move(args), (programDir.empty() ? Dir.Path() : programDir).string());
        CountDelivered();
        Window->show();
        WaitAttempt();
    }

    // Counts the received bytes the window is handed over either
    // connection, in Delivered, and the connections it is told of, in
    // Connections.
    void CountDelivered() {
        Delivered = 0;
        Connections = 0;
        for (TIdConnection* link :
             std::initializer_list<TIdConnection*>{&Window->Telnet, &Window->SSH}) {
            const auto handler = link->OnDataAvailable;
            link->OnDataAvailable = [this, handler](std::string block) {
                Delivered += block.size();
                handler(std::move(block));
            };
            const auto connected = link->OnConnected;
            link->OnConnected = [this, connected](TIdConnection& sender) {
                ++Connections;
                connected(sender);
            };
        }
    }

    // Waits until the connect under way, if any, has ended.
    bool WaitAttempt(int timeoutMs = 5000) {
        return WaitUntil([this] { return !Window->Connecting(); }, timeoutMs);
    }

    bool WaitClosed(int timeoutMs = 5000) {
        return WaitUntil([this] { return Window->Closed; }, timeoutMs);
    }

    // The window as the user sees it: the widget, and the platform's window,
    // which can stay mapped after the widget has been hidden.
    bool OnScreen() const {
        const QWindow* handle = Window->windowHandle();
        return Window->isVisible() || (handle != nullptr && handle->isVisible());
    }

    std::filesystem::path SettingsFile() const { return Dir / "Lemnar.ini"; }
    std::string Caption() const { return Window->windowTitle().toStdString(); }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const TBox& b : Boxes)
            texts.push_back(b.Text);
        return texts;
    }

    TTempDir Dir;
    std::vector<TBox> Boxes;
    std::deque<int> Answers;   // answers to Yes/No questions, in order; then No
    int BoxLoopMs = 0;         // how long each box runs its event loop; 0: none
    std::size_t Delivered = 0; // received bytes handed to the window since Start
    int Connections = 0;       // connections the window was told of since Start
    std::unique_ptr<TMainWindow> Window;
};

} // namespace lemnar::test
