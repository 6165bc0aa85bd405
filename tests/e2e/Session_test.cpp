// The program against the demo QNX server over loopback, in each terminal
// type: the scripted login, the menu and its pages in the cells and on the
// pictures, the window size reported after a resize, and the quit procedure.

#include "e2e/DemoServerProcess.h"
#include "platform/MessageBox.h"
#include "shell/MainWindow.h"
#include "support/Pixels.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace lemnar::test {
namespace {

constexpr int WaitMs = 20000; // a scripted login takes about 4 s

struct TTypeCase {
    const char* Option; // the T option's value
    const char* Name;   // the terminal name the server is told
    bool Colours;       // the type draws in colour
};

void PrintTo(const TTypeCase& type, std::ostream* out) {
    *out << type.Name;
}

std::string RowBytes(const TTerminal& terminal, int row) {
    std::string bytes;
    for (int col = 0; col < terminal.ScreenCols; ++col)
        bytes += static_cast<char>(terminal.ScreenCells[row][col].Ch);
    return bytes;
}

bool RowHas(const TTerminal& terminal, int row, const std::string& text) {
    return RowBytes(terminal, row).find(text) != std::string::npos;
}

std::string ScreenDump(const TTerminal& terminal) {
    std::string dump;
    for (int row = 0; row < terminal.ScreenRows; ++row)
        dump += RowBytes(terminal, row) + "\n";
    return dump;
}

// Spins the event loop until done() holds; false after timeoutMs.
template <typename F> bool WaitUntil(F done, int timeoutMs = WaitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

bool ScreenHas(const TTerminal& terminal, const std::string& text) {
    for (int row = 0; row < terminal.ScreenRows; ++row)
        if (RowHas(terminal, row, text))
            return true;
    return false;
}

// The last lines each page draws: once they are there, the page is complete.
std::string MenuLastLine() {
    return Cp866("Alt+C, G, E, K - страницы, Alt+X - выход.");
}
std::string ColoursLastLine() {
    return Cp866("Блоки: ");
}

std::string Title(const char* page) {
    return Cp866(std::string("Lemnar: демонстрационный сервер - ") + page);
}

std::string Status(const char* name, int cols, int rows) {
    return Cp866("Терминал: ") + name + Cp866("  Размер: ") + std::to_string(cols) + "x" +
           std::to_string(rows);
}

class TDemoSessionTest : public ::testing::TestWithParam<TTypeCase> {
  protected:
    static void SetUpTestSuite() {
        Server = new TDemoServerProcess;
        std::string error;
        if (!Server->Start(error)) {
            delete Server;
            Server = nullptr;
            FAIL() << error;
        }
    }
    static void TearDownTestSuite() {
        delete Server;
        Server = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(Server, nullptr);
        SetMessageBoxHook([this](const std::string& text, TMessageKind kind) {
            Messages.push_back(text);
            return kind == TMessageKind::YesNoQuestion ? IdYes : IdOk;
        });
        WriteLoginScript(Dir / "login.txt");
    }
    void TearDown() override {
        Window.reset();
        SetMessageBoxHook(nullptr);
    }

    void StartProgram() {
        Window = std::make_unique<TMainWindow>(
            std::vector<std::string>{"B", (Dir / "login.txt").string(), "h", Server->HostArg(), "T",
                                     GetParam().Option, "W", "640", "H", "400"},
            Dir.Path().string());
        Window->show();
    }

    TTerminal& Term() { return Window->Terminal; }
    int LastRow() { return Term().ScreenRows - 1; }

    // The status line names the terminal and the grid the server was told.
    bool StatusShows(int cols, int rows) {
        return RowHas(Term(), LastRow(), Status(GetParam().Name, cols, rows));
    }

    static TDemoServerProcess* Server;
    TTempDir Dir;
    std::unique_ptr<TMainWindow> Window;
    std::vector<std::string> Messages;
};

TDemoServerProcess* TDemoSessionTest::Server = nullptr;

// Every blank cell is painted in its background colour on ScreenBitmap, and the
// window shows the same picture except for the cursor bar's cell.
void ExpectPicturesMatchCells(TMainWindow& window) {
    const TTerminal& t = window.Terminal;
    const QImage& bitmap = window.ScreenBitmapImage();
    const QImage& shown = window.WindowImage();
    ASSERT_GE(bitmap.width(), t.ScreenCols * t.CellWidth);
    ASSERT_GE(bitmap.height(), t.ScreenRows * t.CellHeight);
    ASSERT_EQ(shown.size(), bitmap.size());

    int wrongBlanks = 0;
    for (int row = 0; row < t.ScreenRows; ++row) {
        for (int col = 0; col < t.ScreenCols; ++col) {
            const Cell& cell = t.ScreenCells[row][col];
            if (cell.Ch != ' ' || cell.Blink != 0)
                continue;
            const int area = t.CellWidth * t.CellHeight;
            if (CountColor(bitmap, col * t.CellWidth, row * t.CellHeight, t.CellWidth, t.CellHeight,
                           TextPalette[cell.Bg & 15]) != area)
                ++wrongBlanks;
        }
    }
    EXPECT_EQ(wrongBlanks, 0);

    const QRect caret(t.CaretCol * t.CellWidth, t.CaretRow * t.CellHeight, t.CellWidth,
                      t.CellHeight);
    int differing = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (PixelAt(bitmap, x, y) != PixelAt(shown, x, y) && !caret.contains(x, y))
                ++differing;
    EXPECT_EQ(differing, 0) << "window picture and ScreenBitmap differ outside the cursor cell";
}

TEST_P(TDemoSessionTest, ScriptLoginPagesResizeAndQuit) {
    StartProgram();
    const int cols = Term().ScreenCols;
    const int rows = Term().ScreenRows;
    ASSERT_EQ(cols, 640 / Term().CellWidth);
    ASSERT_EQ(rows, 400 / Term().CellHeight);

    // The script logs in; the server draws its menu in the type it was told.
    ASSERT_TRUE(WaitUntil([&] { return RowHas(Term(), 0, Title("Главное меню")); }))
        << ScreenDump(Term());
    ASSERT_TRUE(WaitUntil([&] { return StatusShows(cols, rows); })) << ScreenDump(Term());
    ASSERT_TRUE(WaitUntil([&] { return ScreenHas(Term(), MenuLastLine()); })) << ScreenDump(Term());
    // The screen is drawn while the script still types.
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 2; }));
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_TRUE(Messages.empty()) << Messages.front();

    // Frames are joined: the corners of the double frame sit in the corners.
    EXPECT_EQ(Term().ScreenCells[0][0].Ch, 0xC9) << ScreenDump(Term()); // ╔
    EXPECT_EQ(Term().ScreenCells[LastRow() - 1][cols - 1].Ch, 0xBC);    // ╝
    if (GetParam().Colours) {
        EXPECT_EQ(Term().ScreenCells[1][1].Bg, 1);         // blue page
        EXPECT_EQ(Term().ScreenCells[LastRow()][1].Bg, 3); // cyan status line
    }
    {
        SCOPED_TRACE("menu");
        ExpectPicturesMatchCells(*Window);
    }
    const QImage& bitmap = Window->ScreenBitmapImage();
    EXPECT_GT(bitmap.width() * bitmap.height() -
                  CountColor(bitmap, 0, 0, bitmap.width(), bitmap.height(), TextPalette[0]),
              bitmap.width() * bitmap.height() / (GetParam().Colours ? 2 : 100))
        << "ScreenBitmap is nearly blank";

    // The colours page: F2 through the key map, Enter on the first menu item
    // where the type has no key map.
    if (Window->ActiveKeyMap == TKeyMap::None)
        QTest::keyClick(Window->View, Qt::Key_Return);
    else
        QTest::keyClick(Window->View, Qt::Key_F2);
    ASSERT_TRUE(WaitUntil([&] { return RowHas(Term(), 0, Title("Цвета")); })) << ScreenDump(Term());
    ASSERT_TRUE(WaitUntil([&] { return RowHas(Term(), 13, ColoursLastLine()); }))
        << ScreenDump(Term());
    if (GetParam().Colours) {
        // Row 4 shows " Аб " in every foreground colour on black.
        std::vector<int> seen;
        for (int col = 0; col < cols; ++col) {
            const Cell& cell = Term().ScreenCells[4][col];
            if (cell.Ch == 0x80 && cell.Bg == 0)
                seen.push_back(cell.Fg);
        }
        EXPECT_GE(seen.size(), 8u) << ScreenDump(Term());
        for (std::size_t i = 1; i < seen.size(); ++i)
            EXPECT_NE(seen[i], seen[i - 1]);
    }
    {
        SCOPED_TRACE("colours page");
        ExpectPicturesMatchCells(*Window);
    }

    // A wider window: the size report reaches the server, which redraws.
    const int wider = cols + 10;
    Window->SetClientSize(wider * Term().CellWidth, rows * Term().CellHeight);
    ASSERT_TRUE(WaitUntil([&] { return Term().ScreenCols == wider; }));
    ASSERT_TRUE(WaitUntil([&] { return StatusShows(wider, rows); })) << ScreenDump(Term());
    ASSERT_TRUE(WaitUntil([&] { return RowHas(Term(), 13, ColoursLastLine()); }))
        << ScreenDump(Term());
    EXPECT_TRUE(RowHas(Term(), 0, Title("Цвета")));
    EXPECT_EQ(Term().ScreenCells[0][wider - 1].Ch, 0xBB); // ╗ at the new right edge
    {
        SCOPED_TRACE("wider colours page");
        ExpectPicturesMatchCells(*Window);
    }

    // Quit: the question is answered Yes, the settings are written, the
    // window closes.
    Window->QuitClick();
    ASSERT_TRUE(WaitUntil([&] { return Window->Closed; }, 5000));
    EXPECT_EQ(Messages, std::vector<std::string>{"Закрыть программу ?"});
    EXPECT_EQ(Window->Connected, 0);
    const std::string ini = ReadFile(Dir / "Lemnar.ini");
    EXPECT_NE(ini.find("Width=" + std::to_string(wider * Term().CellWidth)), std::string::npos)
        << ini;
    // The script's host is not kept: the file keeps its own (empty) value.
    EXPECT_NE(ini.find("Host=\r\n"), std::string::npos) << ini;
}

INSTANTIATE_TEST_SUITE_P(Types, TDemoSessionTest,
                         ::testing::Values(TTypeCase{"qnx", "QNX", true},
                                           TTypeCase{"ansi", "ANSI", true},
                                           TTypeCase{"tty", "TTY", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace lemnar::test
