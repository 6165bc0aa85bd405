#pragma once

#include "KeyDecoder.h"
#include "ScreenWriter.h"

#include <deque>
#include <memory>
#include <string>

namespace lemnar::demo {

// The full-screen application behind the login: a menu and the pages it leads to,
// drawn for the client's terminal type. Keys come in, screen bytes go out (Take).
class TDemoApp {
  public:
    enum class TPage { Menu, Colours, Graphics, Echo, Keys };

    static constexpr int MinRows = 12;
    static constexpr int MaxRows = 80;
    static constexpr int MinCols = 40;
    static constexpr int MaxCols = 160;
    static constexpr std::size_t MaxInput = 200;
    static constexpr std::size_t MaxHistory = 100;

    // rows and cols are as the client reported them; the layout bounds them.
    TDemoApp(std::string terminalName, int rows, int cols);

    // Draws the current page now.
    void Draw();
    void Resize(int rows, int cols);
    void HandleKey(const TKey& key);
    // The bytes drawn so far. A page that keys have asked to redraw is drawn
    // here, once, however many keys asked for it.
    std::string Take();

    TPage Page() const { return CurrentPage; }
    int Selection() const { return MenuIndex; }
    bool Finished() const { return Done; }

  private:
    void ShowPage(TPage page);
    bool Navigate(const TKey& key);
    void Goodbye();
    void LeaveGraphics();
    void CreateWriter();

    void DrawChrome(const std::string& title);
    void DrawMenu();
    void DrawMenuItem(int index);
    void DrawColours();
    void DrawGraphics();
    void DrawEcho();
    void DrawKeys();

    void MenuKey(const TKey& key);
    void EchoKey(const TKey& key);
    void KeysKey(const TKey& key);

    std::string TerminalName;
    TTerminalKind Kind;
    int ReportedRows;
    int ReportedCols;
    int Rows = 0; // the layout's size
    int Cols = 0;
    std::unique_ptr<TScreenWriter> Writer;
    std::string Pending; // output of a writer replaced by a resize

    TPage CurrentPage = TPage::Menu;
    int MenuIndex = 0;
    bool GraphicsOn = false;
    bool RedrawPending = false;
    bool Done = false;
    std::string Input;
    std::deque<std::string> History;
    std::deque<std::string> KeyLog;
};

} // namespace lemnar::demo
