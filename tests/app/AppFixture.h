#pragma once
// The real main window, headless, started from a temporary program directory
// with its message boxes captured.

#include "platform/MessageBox.h"
#include "shell/MainWindow.h"
#include "shell/TempDir.h"

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

    // Builds the window with args and shows it, which runs start-up. The
    // program's directory is Dir unless programDir names another.
    void Start(std::vector<std::string> args, const std::filesystem::path& programDir = {}) {
        Window = std::make_unique<TMainWindow>(
            std::move(args), (programDir.empty() ? Dir.Path() : programDir).string());
        Window->show();
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
    std::deque<int> Answers; // answers to Yes/No questions, in order; then No
    int BoxLoopMs = 0;       // how long each box runs its event loop; 0: none
    std::unique_ptr<TMainWindow> Window;
};

} // namespace lemnar::test
