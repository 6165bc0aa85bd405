// The mouse on the terminal area of the real main window against a loopback
// peer: selecting and copying, pasting onto the wire, the view into the
// history with the wheel and the scroll bar, the terminal area's menu, and
// the Scrollback setting.

#include "app/AppFixture.h"
#include "support/Bytes.h"
#include "support/Pixels.h"
#include "support/QnxBytes.h"
#include "support/ScriptedServer.h"

#include "platform/Clipboard.h"
#include "shell/HelpForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFrame>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace lemnar::test {
namespace {

const std::string IacDoNaws = "\xff\xfd\x1f";

class TMouseTest : public TAppTest {
  protected:
    ~TMouseTest() override {
        Window.reset();
        Server.reset();
    }

    // Connects to a peer that sends greeting first, and waits until the
    // window is active and the peer has what the engine sent at the start.
    void Connect(const std::string& greeting = {}) {
        Server = std::make_unique<TScriptedServer>(OwnThread, greeting);
        Start({"h", Server->HostPort()});
        ASSERT_EQ(Window->Connected, 1);
        ASSERT_TRUE(WaitUntil([&] { return Server->Accepted(); }));
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get(), 5000));
        Window->View->setFocus();
        if (!greeting.empty()) {
            ASSERT_TRUE(WaitUntil([&] { return Window->Telnet.PeerIsTelnet.load(); }));
        }
        Pump(50);
        Server->ClearReceived();
    }

    // The peer sends bytes; waits until the screen shows the last of them.
    void Show(const std::string& bytes, const std::function<bool()>& shown) {
        ASSERT_TRUE(Server->Send(bytes));
        ASSERT_TRUE(WaitUntil(shown));
    }

    std::string RowText(int row) const {
        std::string s;
        for (int c = 0; c < Window->Terminal.ScreenCols; ++c)
            s += static_cast<char>(Window->Terminal.ScreenCells[row][c].Ch);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }

    // What the peer got once nothing more arrives for a while; atLeast 0:
    // after a short wait.
    std::string Received(std::size_t atLeast) {
        if (atLeast > 0)
            WaitUntil([&] { return Server->ReceivedText().size() >= atLeast; }, 3000);
        Pump(150);
        const std::string text = Server->ReceivedText();
        Server->ClearReceived();
        return text;
    }

    QPoint CellPoint(int row, int col) const {
        const TTerminal& t = Window->Terminal;
        return {col * t.CellWidth + t.CellWidth / 2, row * t.CellHeight + t.CellHeight / 2};
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(Window->View->mapToGlobal(at)), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(Window->View, &event);
    }
    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, at, button, button);
        Mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    void Wheel(int angle) {
        const QPoint at = CellPoint(2, 2);
        QWheelEvent event(QPointF(at), QPointF(Window->View->mapToGlobal(at)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Window->View, &event);
    }
    void ContextMenu() {
        const QPoint at = CellPoint(3, 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Window->View->mapToGlobal(at));
        QApplication::sendEvent(Window->View, &event);
    }

    // The terminal area as the widget paints it.
    QImage Painted() const { return Window->View->grab().toImage(); }
    long long Live() const { return Window->Terminal.View.LiveTop(); }
    TView& Viewed() { return Window->Terminal.View; }

    std::unique_ptr<TScriptedServer> Server;
};

void ExpectSelection(const TSelection* s, long long fromLine, int fromCol, long long toLine,
                     int toCol) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->FromLine, fromLine);
    EXPECT_EQ(s->FromCol, fromCol);
    EXPECT_EQ(s->ToLine, toLine);
    EXPECT_EQ(s->ToCol, toCol);
}

// A drag selects from the press cell to the release cell, whole rows
// between; the widget shows it inverted, the pictures and captures never
// hold it; the release copies it; a click takes it away.
TEST_F(TMouseTest, DragSelectsCellsShownOnTheWidgetOnly) {
    Connect();
    Show("first line\r\nsecond line", [&] { return RowText(1) == "second line"; });
    SetField(Window->ShellState.SaveDir, Dir.Path().string() + "/");
    const QImage window = Window->WindowImage().copy();
    const QImage bitmap = Window->ScreenBitmapImage().copy();
    ASSERT_EQ(FirstDifference(Painted(), window), "");

    Drag(CellPoint(0, 6), CellPoint(1, 5));
    ExpectSelection(Viewed().Selection(), Live(), 6, Live() + 1, 5);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line\nsecond");
    EXPECT_EQ(PrimarySelectionText(), "line\nsecond");

    const QImage shown = Painted();
    const TTerminal& t = Window->Terminal;
    const auto at = [&](const QImage& image, int row, int col) {
        return PixelAt(image, col * t.CellWidth + 1, row * t.CellHeight + 1);
    };
    for (const auto& [row, col] : {std::pair{0, 6}, {0, 40}, {0, t.ScreenCols - 1}, {1, 0}, {1, 5}})
        EXPECT_EQ(at(shown, row, col), at(window, row, col) ^ 0xFFFFFF) << row << "," << col;
    for (const auto& [row, col] : {std::pair{0, 5}, {1, 6}, {2, 0}})
        EXPECT_EQ(at(shown, row, col), at(window, row, col)) << row << "," << col;
    EXPECT_EQ(FirstDifference(Window->WindowImage(), window), "");
    EXPECT_EQ(FirstDifference(Window->ScreenBitmapImage(), bitmap), "");
    Window->ScreenCapture();
    std::vector<std::filesystem::path> captures;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path()))
        if (entry.path().extension() == ".bmp")
            captures.push_back(entry.path());
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(
        FirstDifference(
            QImage(QString::fromStdString(captures[0].string())).convertToFormat(bitmap.format()),
            bitmap),
        "");

    // A press and release in one cell is a click: the selection goes, and
    // the clipboard keeps what it had.
    Click(CellPoint(5, 5));
    EXPECT_EQ(Viewed().Selection(), nullptr);
    EXPECT_EQ(FirstDifference(Painted(), window), "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line\nsecond");
    // A drag upwards selects the same way; one that changes rows under it
    // goes.
    Drag(CellPoint(1, 2), CellPoint(0, 0));
    ExpectSelection(Viewed().Selection(), Live(), 0, Live() + 1, 2);
    Show("\x1b=! X", [&] { return RowText(1) == "Xecond line"; });
    Window->View->grab();
    EXPECT_EQ(Viewed().Selection(), nullptr);
}

// Code page 866 on the screen is Unicode on the clipboard: letters, box
// drawing, the console's symbol for a control byte; trailing blanks go.
// A double click takes a word, a triple click its row.
TEST_F(TMouseTest, CopiedTextIsTheUnicodeOfWhatTheScreenShows) {
    Connect();
    Show("\xC9\xCD\xCD\xCD\xBB\r\n"
         "\xBA\x8F\xE0\xA8\xA2\xA5\xE2 \x10\xBA   \r\n"
         "\xC8\xCD\xCD\xCD\xBC\xDB\xB1",
         [&] { return RowText(2).size() == 7; });
    Drag(CellPoint(0, 0), CellPoint(2, Window->Terminal.ScreenCols - 1));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU32String(),
              U"\u2554\u2550\u2550\u2550\u2557\n"
              U"\u2551Привет \u25BA\u2551\n"
              U"\u255A\u2550\u2550\u2550\u255D\u2588\u2592");

    Mouse(QEvent::MouseButtonPress, CellPoint(1, 3), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(1, 3), Qt::LeftButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonDblClick, CellPoint(1, 3), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, CellPoint(1, 3), Qt::LeftButton, Qt::NoButton);
    ExpectSelection(Viewed().Selection(), Live() + 1, 1, Live() + 1, 6);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Привет"));
    Click(CellPoint(1, 3));
    ExpectSelection(Viewed().Selection(), Live() + 1, 0, Live() + 1,
                    Window->Terminal.ScreenCols - 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("║Привет ►║"));
}

// Pasted text goes out as typed: code page 1251 through the 866 table, '?'
// for what 1251 lacks, each line end one CR, sent as CR LF to a peer that
// has not spoken telnet and as CR alone to one that has.
TEST_F(TMouseTest, PasteSendsTheTextAsTyped) {
    Connect();
    QGuiApplication::clipboard()->setText(QStringLiteral("Привет\r\nls -l\nЁ€\r✓\tx"));
    Window->PasteClipboard();
    EXPECT_EQ(Hex(Received(22)), Hex("\x8F\xE0\xA8\xA2\xA5\xE2\r\nls -l\r\n\xE8\xC8\r\n?\tx"));
    EXPECT_TRUE(Boxes.empty());

    // The middle button pastes the primary selection: here the word the
    // screen shows, back as the bytes it came as.
    Show("\x8F\xE0\xA8\xA2\xA5\xE2 ok", [&] { return RowText(0).size() == 9; });
    Drag(CellPoint(0, 0), CellPoint(0, 8));
    Click(CellPoint(4, 4), Qt::MiddleButton);
    EXPECT_EQ(Hex(Received(9)), Hex("\x8F\xE0\xA8\xA2\xA5\xE2 ok"));

    // A long text arrives whole, in order.
    std::string expected;
    QString text;
    for (int i = 0; i < 3000; ++i) {
        expected += static_cast<char>('a' + i % 26);
        text += QChar(u'a' + i % 26);
    }
    Window->PasteText(text);
    EXPECT_EQ(Received(expected.size()), expected);
}

TEST_F(TMouseTest, PasteToATelnetPeerEndsLinesWithCrAlone) {
    Connect(IacDoNaws);
    Window->PasteText(QStringLiteral("a\nb\r\nc\r"));
    EXPECT_EQ(Hex(Received(6)), Hex("a\rb\rc\r"));
}

// More than five lines: a question first; No sends nothing.
TEST_F(TMouseTest, APasteOfManyLinesAsksFirst) {
    Connect();
    Window->PasteText(QStringLiteral("1\n2\n3\n4\n5\n"));
    EXPECT_EQ(Received(15), "1\r\n2\r\n3\r\n4\r\n5\r\n");
    EXPECT_TRUE(Boxes.empty());

    Window->PasteText(QStringLiteral("1\n2\n3\n4\n5\n6"));
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"Вставить 6 строк ?"});
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::YesNoQuestion);
    EXPECT_EQ(Received(0), "");
    Answers = {IdYes};
    Window->PasteText(QStringLiteral("1\n2\n3\n4\n5\n6"));
    EXPECT_EQ(Received(16), "1\r\n2\r\n3\r\n4\r\n5\r\n6");

    Boxes.clear();
    for (const QString& many : {QString(21, u'\n'), QString(22, u'\n'), QString(111, u'\n')})
        Window->PasteText(many);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Вставить 21 строку ?", "Вставить 22 строки ?",
                                                    "Вставить 111 строк ?"}));
    EXPECT_EQ(Received(0), "");
}

// Nothing goes out while the host prompt or the help window is shown.
TEST_F(TMouseTest, PasteWaitsForTheTerminal) {
    Connect();
    Window->Panel->show();
    Window->PasteText(QStringLiteral("prompt"));
    Window->Panel->hide();
    Window->N2Click();
    ASSERT_TRUE(Window->HelpForm->isVisible());
    Window->PasteText(QStringLiteral("help"));
    Window->HelpForm->close();
    Window->PasteText(QStringLiteral("ok"));
    EXPECT_EQ(Received(2), "ok");
}

// The wheel moves the view three rows a notch, the scroll bar shows while
// it is in the history, output keeps it on its rows, a selection reaches
// into the history, and the bottom or a key brings back the live screen.
TEST_F(TMouseTest, WheelAndScrollBarMoveTheViewIntoTheHistory) {
    Connect();
    const TTerminal& t = Window->Terminal;
    const int kept = 100 - (t.ScreenRows - 1);
    Show(Lines(0, 100), [&] { return t.History.Count() == kept; });
    const QImage live = Window->WindowImage().copy();
    EXPECT_FALSE(Window->HistoryBar->isVisible());

    Wheel(120);
    EXPECT_EQ(Viewed().ViewBack(), 3);
    EXPECT_TRUE(Window->HistoryBar->isVisible());
    EXPECT_EQ(Window->HistoryBar->maximum(), kept);
    EXPECT_EQ(Window->HistoryBar->value(), kept - 3);
    EXPECT_NE(FirstDifference(Painted(), live), "");

    // Across history and screen: history rows 0..2 of the view, then the
    // grid's first two rows.
    Drag(CellPoint(0, 0), CellPoint(4, t.ScreenCols - 1));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "line " + std::to_string(kept - 3) + "\nline " + std::to_string(kept - 2) +
                  "\nline " + std::to_string(kept - 1) + "\nline " + std::to_string(kept) +
                  "\nline " + std::to_string(kept + 1));

    // Output underneath: the view stays on its rows, the bar follows.
    const long long top = Viewed().ViewTop();
    Show(Lines(100, 103), [&] { return t.History.Count() == kept + 3; });
    EXPECT_EQ(Viewed().ViewTop(), top);
    EXPECT_EQ(Viewed().ViewBack(), 6);
    EXPECT_EQ(Window->HistoryBar->maximum(), kept + 3);
    EXPECT_EQ(Window->HistoryBar->value(), kept - 3);

    // The bar moves the view: to the oldest row, then to the bottom.
    Window->HistoryBar->setValue(0);
    EXPECT_EQ(Viewed().ViewTop(), t.History.Dropped());
    Window->HistoryBar->setValue(Window->HistoryBar->maximum());
    EXPECT_EQ(Viewed().ViewBack(), 0);
    EXPECT_FALSE(Window->HistoryBar->isVisible());

    // Two half notches down after one up: back at the bottom.
    Wheel(120);
    Wheel(-60);
    EXPECT_EQ(Viewed().ViewBack(), 2);
    Wheel(-60);
    EXPECT_EQ(Viewed().ViewBack(), 0);
    EXPECT_FALSE(Window->HistoryBar->isVisible());
    ASSERT_NE(Viewed().Selection(), nullptr);
    Click(CellPoint(5, 5));
    EXPECT_EQ(FirstDifference(Painted(), Window->WindowImage()), "");
}

// A key returns the view to the live screen and sends what it always sends;
// a modifier alone leaves the view where it is.
TEST_F(TMouseTest, AKeyReturnsToTheLiveScreen) {
    Connect();
    const int kept = 60 - (Window->Terminal.ScreenRows - 1);
    Show(Lines(0, 60), [&] { return Window->Terminal.History.Count() == kept; });
    Wheel(240);
    ASSERT_EQ(Viewed().ViewBack(), 6);
    QTest::keyClick(Window->View, Qt::Key_Shift);
    EXPECT_EQ(Viewed().ViewBack(), 6);
    QTest::keyClick(Window->View, Qt::Key_A);
    EXPECT_EQ(Viewed().ViewBack(), 0);
    EXPECT_FALSE(Window->HistoryBar->isVisible());
    EXPECT_EQ(Received(1), "a");
    // A key of the key map, taken by its shortcut.
    Wheel(120);
    ASSERT_EQ(Viewed().ViewBack(), 3);
    QTest::keyClick(Window->View, Qt::Key_F1);
    EXPECT_EQ(Viewed().ViewBack(), 0);
    EXPECT_EQ(Hex(Received(3)), Hex("\xFF\xFF\x81"));
}

// The right button opens "Копировать" and "Вставить", each enabled only
// when it can act.
TEST_F(TMouseTest, TheTerminalMenuCopiesAndPastes) {
    Connect();
    Show("menu text", [&] { return RowText(0) == "menu text"; });
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    ContextMenu();
    ASSERT_TRUE(WaitUntil([&] { return Window->TerminalMenu->isVisible(); }));
    EXPECT_EQ(Window->CopyItem->text(), QStringLiteral("Копировать"));
    EXPECT_EQ(Window->PasteItem->text(), QStringLiteral("Вставить"));
    EXPECT_FALSE(Window->CopyItem->isEnabled());
    EXPECT_TRUE(Window->PasteItem->isEnabled());
    Window->PasteItem->trigger();
    EXPECT_EQ(Received(6), "pasted");
    Window->TerminalMenu->hide();

    Drag(CellPoint(0, 5), CellPoint(0, 8));
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    ContextMenu();
    ASSERT_TRUE(WaitUntil([&] { return Window->TerminalMenu->isVisible(); }));
    EXPECT_TRUE(Window->CopyItem->isEnabled());
    Window->CopyItem->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("text"));
    Window->TerminalMenu->hide();

    Answers = {IdYes};
    Window->DisConnClick();
    ASSERT_EQ(Window->Connected, 0);
    ContextMenu();
    ASSERT_TRUE(WaitUntil([&] { return Window->TerminalMenu->isVisible(); }));
    EXPECT_FALSE(Window->PasteItem->isEnabled());
    Window->TerminalMenu->hide();
}

// Scrollback in the settings file sets the history's rows at start-up, and
// a save leaves the user's line as it is.
TEST_F(TMouseTest, ScrollbackFromTheSettingsFile) {
    Start({});
    EXPECT_EQ(Window->Terminal.History.Capacity(), TScrollback::DefaultRows);
    Window.reset();
    WriteFile(SettingsFile(), "[Options]\nScrollback = 7 \n");
    Start({});
    EXPECT_EQ(Window->Terminal.History.Capacity(), 7);
    Window->SaveSettings();
    EXPECT_NE(ReadFile(SettingsFile()).find("\nScrollback = 7 \n"), std::string::npos);
}

} // namespace
} // namespace lemnar::test
