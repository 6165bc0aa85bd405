#include "DemoApp.h"

#include "Cp866.h"
#include "QnxScreenWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace lemnar::demo {

namespace {

struct TMenuItem {
    const char* Label; // UTF-8
    int Function;      // F-key number that opens it
    char AltLetter;
    TDemoApp::TPage Page;
    bool Exit;
};

constexpr std::array<TMenuItem, 5> MenuItems = {{
    {"Цвета", 2, 'C', TDemoApp::TPage::Colours, false},
    {"Графика (командный канал)", 3, 'G', TDemoApp::TPage::Graphics, false},
    {"Эхо строк", 4, 'E', TDemoApp::TPage::Echo, false},
    {"Клавиши", 5, 'K', TDemoApp::TPage::Keys, false},
    {"Выход", 10, 'X', TDemoApp::TPage::Menu, true},
}};

constexpr int MenuWidth = 40;
constexpr int MenuTop = 4;
constexpr int InputLabelWidth = 6; // "Ввод: "

// Page order for Left and Right.
constexpr std::array<TDemoApp::TPage, 5> PageCycle = {
    TDemoApp::TPage::Menu, TDemoApp::TPage::Colours, TDemoApp::TPage::Graphics,
    TDemoApp::TPage::Echo, TDemoApp::TPage::Keys,
};

std::string Cp(const char* utf8) {
    return EncodeCp866(utf8);
}

std::string Hex3(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%03X", std::clamp(value, 0, 0xFFF));
    return buffer;
}

std::string PointCommand(char which, int x, int y) {
    return std::string("&") + which + Hex3(x) + Hex3(y) + "~";
}

std::string ColourCommand(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "&C%06X~", value);
    return buffer;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    for (const char ch : bytes) {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(ch));
        if (!out.empty()) {
            out += ' ';
        }
        out += buffer;
    }
    return out;
}

bool IsPrintable(std::uint8_t byte) {
    return byte >= 0x20 && byte != 0x7F && byte != 0xFF;
}

} // namespace

TDemoApp::TDemoApp(std::string terminalName, int rows, int cols)
    : TerminalName(std::move(terminalName)), Kind(TerminalKindFromName(TerminalName)),
      ReportedRows(rows), ReportedCols(cols) {
    CreateWriter();
}

void TDemoApp::CreateWriter() {
    if (Writer) {
        Pending += Writer->Take();
    }
    Rows = std::clamp(ReportedRows, MinRows, MaxRows);
    Cols = std::clamp(ReportedCols, MinCols, MaxCols);
    if (Kind == TTerminalKind::Qnx) {
        Cols = std::min(Cols, TQnxScreenWriter::MaxAddress + 1);
    }
    Writer = MakeScreenWriter(Kind, Rows, Cols);
}

std::string TDemoApp::Take() {
    if (RedrawPending && !Done) {
        Draw();
    }
    RedrawPending = false;
    return std::exchange(Pending, {}) + Writer->Take();
}

void TDemoApp::Resize(int rows, int cols) {
    ReportedRows = rows;
    ReportedCols = cols;
    LeaveGraphics();
    CreateWriter();
    RedrawPending = true;
}

void TDemoApp::LeaveGraphics() {
    if (GraphicsOn) {
        Writer->EndGraphics();
        GraphicsOn = false;
    }
}

void TDemoApp::ShowPage(TPage page) {
    LeaveGraphics();
    CurrentPage = page;
    RedrawPending = true;
}

void TDemoApp::Draw() {
    RedrawPending = false;
    LeaveGraphics();
    switch (CurrentPage) {
    case TPage::Menu:
        DrawMenu();
        break;
    case TPage::Colours:
        DrawColours();
        break;
    case TPage::Graphics:
        DrawGraphics();
        break;
    case TPage::Echo:
        DrawEcho();
        break;
    case TPage::Keys:
        DrawKeys();
        break;
    }
}

void TDemoApp::Goodbye() {
    RedrawPending = false;
    LeaveGraphics();
    // plain text needs no blank page before the farewell
    if (Writer->Addressable()) {
        Writer->SetColour(Colour::LightGrey, Colour::Black);
        Writer->Clear();
        Writer->ShowCursor(true);
    } else {
        Writer->Raw("\r\n");
    }
    Writer->Raw(Cp("До свидания!") + "\r\n");
    Done = true;
}

void TDemoApp::DrawChrome(const std::string& title) {
    Writer->ShowCursor(false);
    Writer->SetColour(Colour::White, Colour::Blue);
    Writer->Clear();
    Writer->Frame(0, 0, Rows - 1, Cols, TFrameStyle::Double);
    const std::string caption = " " + Cp("Lemnar: демонстрационный сервер") + " - " + title + " ";
    Writer->SetColour(Colour::Yellow, Colour::Blue);
    Writer->MoveTo(0, std::max(1, (Cols - static_cast<int>(caption.size())) / 2));
    Writer->Text(caption.substr(0, static_cast<std::size_t>(Cols - 2)));

    Writer->SetColour(Colour::Black, Colour::Cyan);
    Writer->MoveTo(Rows - 1, 0);
    Writer->ClearToEnd();
    Writer->MoveTo(Rows - 1, 1);
    const std::string status = Cp("Терминал: ") + TerminalName + Cp("  Размер: ") +
                               std::to_string(ReportedCols) + "x" + std::to_string(ReportedRows);
    Writer->Text(status.substr(0, static_cast<std::size_t>(Cols - 2)));
    const std::string hint = Cp("F1 Меню  F10 Выход");
    if (Cols >= static_cast<int>(status.size() + hint.size()) + 6) {
        Writer->MoveTo(Rows - 1, Cols - static_cast<int>(hint.size()) - 2);
        Writer->Text(hint);
    }
    Writer->SetColour(Colour::White, Colour::Blue);
}

void TDemoApp::DrawMenu() {
    DrawChrome(Cp("Главное меню"));
    const int left = (Cols - MenuWidth) / 2;
    const int height = static_cast<int>(MenuItems.size()) + 4;
    Writer->SetColour(Colour::LightCyan, Colour::Blue);
    Writer->Frame(MenuTop, left, height, MenuWidth, TFrameStyle::Single);
    Writer->MoveTo(MenuTop, left + 2);
    Writer->Text(Cp(" Выберите страницу "));
    for (int i = 0; i < static_cast<int>(MenuItems.size()); ++i) {
        DrawMenuItem(i);
    }
    Writer->SetColour(Colour::LightGrey, Colour::Blue);
    const int hintRow = MenuTop + height + 1;
    if (hintRow < Rows - 2) {
        Writer->MoveTo(hintRow, left);
        Writer->Text(Cp("Стрелки - выбор, Enter - открыть."));
    }
    if (hintRow + 1 < Rows - 2) {
        Writer->MoveTo(hintRow + 1, left);
        Writer->Text(Cp("Alt+C, G, E, K - страницы, Alt+X - выход."));
    }
}

void TDemoApp::DrawMenuItem(int index) {
    const TMenuItem& item = MenuItems[static_cast<std::size_t>(index)];
    const int left = (Cols - MenuWidth) / 2;
    std::string label = " F" + std::to_string(item.Function);
    label.resize(6, ' ');
    label += Cp(item.Label);
    label.resize(MenuWidth - 4, ' ');
    if (index == MenuIndex) {
        Writer->SetColour(Colour::Black, Colour::Cyan);
    } else {
        Writer->SetColour(Colour::White, Colour::Blue);
    }
    Writer->MoveTo(MenuTop + 2 + index, left + 2);
    Writer->Text(label);
}

void TDemoApp::DrawColours() {
    DrawChrome(Cp("Цвета"));
    Writer->MoveTo(2, 2);
    Writer->Text(Cp("Текст всех 16 цветов на 8 цветах фона:"));
    const int columns = std::min(16, (Cols - 8) / 4);
    for (int bg = 0; bg < 8 && 4 + bg < Rows - 2; ++bg) {
        Writer->SetColour(Colour::White, Colour::Blue);
        Writer->MoveTo(4 + bg, 2);
        Writer->Text(std::to_string(bg));
        Writer->MoveTo(4 + bg, 4);
        for (int fg = 0; fg < columns; ++fg) {
            Writer->SetColour(fg, bg);
            Writer->Text(Cp(" Аб "));
        }
    }
    Writer->SetColour(Colour::White, Colour::Blue);
    if (14 < Rows - 2) {
        Writer->MoveTo(13, 2);
        Writer->Text(Cp("Блоки: "));
        Writer->Text(Cp("░▒▓█▄▀▌▐ ─│┌┐└┘├┤┬┴┼ ═║╔╗╚╝╠╣╦╩╬"));
    }
}

void TDemoApp::DrawGraphics() {
    DrawChrome(Cp("Графика"));
    Writer->MoveTo(2, 2);
    Writer->Text(Cp("Рисунок передан командным каналом."));
    Writer->MoveTo(Rows - 3, 2);
    Writer->Text(Cp("Любая клавиша - возврат в меню."));
    Writer->ShowCursor(false);

    // Pixel coordinates for 8 x 16 cells on an 80 x 25 screen; other sizes clip.
    std::string commands;
    commands += ColourCommand(Colour::Blue) + PointCommand('A', 40, 64) +
                PointCommand('B', 600, 330) + "&B~";
    commands += ColourCommand(Colour::Yellow);
    const std::array<std::array<int, 4>, 4> edges = {{
        {40, 64, 599, 64},
        {599, 64, 599, 329},
        {599, 329, 40, 329},
        {40, 329, 40, 64},
    }};
    for (const auto& edge : edges) {
        commands +=
            PointCommand('A', edge[0], edge[1]) + PointCommand('B', edge[2], edge[3]) + "&L~";
    }
    commands += ColourCommand(Colour::LightGreen) + PointCommand('A', 40, 64) +
                PointCommand('B', 600, 330) + "&L~" + PointCommand('A', 40, 329) +
                PointCommand('B', 600, 63) + "&L~";
    commands += ColourCommand(Colour::Red) + PointCommand('A', 280, 160) +
                PointCommand('B', 360, 240) + "&B~";
    // 16 + colour draws in XOR: the white square inverts what lies under it
    commands += ColourCommand(16 + Colour::White) + PointCommand('A', 300, 180) +
                PointCommand('B', 340, 220) + "&B~";
    commands += ColourCommand(Colour::White);
    for (int x = 60; x <= 580; x += 8) {
        commands += PointCommand('A', x, 300) + "&P~";
    }
    commands += ColourCommand(Colour::Yellow) + PointCommand('A', 60, 84) + "&T" +
                Cp("Линии, точки, прямоугольники") + "~";
    commands += ColourCommand(Colour::LightCyan) + PointCommand('A', 60, 104) + "&T" +
                Cp("и текст поверх символов") + "~";
    Writer->BeginGraphics(commands);
    GraphicsOn = true;
}

void TDemoApp::DrawEcho() {
    DrawChrome(Cp("Эхо строк"));
    Writer->MoveTo(2, 2);
    Writer->Text(Cp("Введите строку и нажмите Enter. exit - выход."));
    const int first = 4;
    const int last = Rows - 5;
    const int visible = std::max(0, last - first + 1);
    const int skip = std::max(0, static_cast<int>(History.size()) - visible);
    const auto width = static_cast<std::size_t>(Cols - 6);
    int row = first;
    for (int i = skip; i < static_cast<int>(History.size()); ++i, ++row) {
        Writer->MoveTo(row, 2);
        Writer->Text("> " + History[static_cast<std::size_t>(i)].substr(0, width));
    }
    Writer->SetColour(Colour::Yellow, Colour::Blue);
    if (Writer->Addressable()) {
        Writer->MoveTo(Rows - 3, 2);
        Writer->Text(Cp("Ввод: ") + Input);
        Writer->ShowCursor(true);
    } else {
        Writer->Raw("\r\n" + Cp("Ввод: ") + Input);
    }
}

void TDemoApp::DrawKeys() {
    DrawChrome(Cp("Клавиши"));
    Writer->MoveTo(2, 2);
    Writer->Text(Cp("Нажимайте клавиши: видно, что пришло. F1, Esc - меню."));
    const int first = 4;
    const int visible = std::max(0, Rows - 3 - first);
    const int skip = std::max(0, static_cast<int>(KeyLog.size()) - visible);
    int row = first;
    for (int i = skip; i < static_cast<int>(KeyLog.size()); ++i, ++row) {
        Writer->MoveTo(row, 2);
        Writer->Text(KeyLog[static_cast<std::size_t>(i)]);
    }
}

void TDemoApp::HandleKey(const TKey& key) {
    if (Done) {
        return;
    }
    switch (CurrentPage) {
    case TPage::Menu:
        MenuKey(key);
        break;
    case TPage::Echo:
        EchoKey(key);
        break;
    case TPage::Keys:
        KeysKey(key);
        break;
    case TPage::Colours:
        Navigate(key);
        break;
    case TPage::Graphics:
        if (!Navigate(key)) {
            ShowPage(TPage::Menu);
        }
        break;
    }
}

// The keys that work on every page; true: the key was one of them.
bool TDemoApp::Navigate(const TKey& key) {
    if (key.Kind == TKey::TKind::Function && key.Value == 1) {
        ShowPage(TPage::Menu);
        return true;
    }
    if (key.Kind == TKey::TKind::Escape || (key.Kind == TKey::TKind::Alt && key.Value == 'M')) {
        ShowPage(TPage::Menu);
        return true;
    }
    for (const TMenuItem& item : MenuItems) {
        const bool byFunction = key.Kind == TKey::TKind::Function && key.Value == item.Function;
        const bool byAlt = key.Kind == TKey::TKind::Alt && key.Value == item.AltLetter;
        if (byFunction || byAlt) {
            if (item.Exit) {
                Goodbye();
            } else {
                ShowPage(item.Page);
            }
            return true;
        }
    }
    if (key.Kind == TKey::TKind::Left || key.Kind == TKey::TKind::Right) {
        const auto at = std::find(PageCycle.begin(), PageCycle.end(), CurrentPage);
        const auto index = static_cast<std::size_t>(at - PageCycle.begin());
        const std::size_t step = key.Kind == TKey::TKind::Right ? 1 : PageCycle.size() - 1;
        ShowPage(PageCycle[(index + step) % PageCycle.size()]);
        return true;
    }
    return false;
}

void TDemoApp::MenuKey(const TKey& key) {
    const int count = static_cast<int>(MenuItems.size());
    if (key.Kind == TKey::TKind::Up || key.Kind == TKey::TKind::Down) {
        const int previous = MenuIndex;
        MenuIndex = (MenuIndex + (key.Kind == TKey::TKind::Down ? 1 : count - 1)) % count;
        if (!RedrawPending) {
            DrawMenuItem(previous);
            DrawMenuItem(MenuIndex);
        }
        return;
    }
    if (key.Kind == TKey::TKind::Enter) {
        const TMenuItem& item = MenuItems[static_cast<std::size_t>(MenuIndex)];
        if (item.Exit) {
            Goodbye();
        } else {
            ShowPage(item.Page);
        }
        return;
    }
    Navigate(key);
}

void TDemoApp::EchoKey(const TKey& key) {
    const int inputCol = 2 + InputLabelWidth;
    const std::size_t limit = std::min(MaxInput, static_cast<std::size_t>(Cols - inputCol - 2));
    if (key.Kind == TKey::TKind::Char) {
        if (!IsPrintable(key.Value) || Input.size() >= limit) {
            return;
        }
        const char ch = static_cast<char>(key.Value);
        if (Writer->Addressable()) {
            Writer->SetColour(Colour::Yellow, Colour::Blue);
            Writer->MoveTo(Rows - 3, inputCol + static_cast<int>(Input.size()));
            Writer->Text(std::string_view(&ch, 1));
        } else {
            Writer->Raw(std::string_view(&ch, 1));
        }
        Input.push_back(ch);
        return;
    }
    if (key.Kind == TKey::TKind::Backspace) {
        if (!Input.empty()) {
            Input.pop_back();
            if (Writer->Addressable()) {
                Writer->MoveTo(Rows - 3, inputCol + static_cast<int>(Input.size()));
                Writer->Text(" ");
                Writer->MoveTo(Rows - 3, inputCol + static_cast<int>(Input.size()));
            } else {
                Writer->Raw("\b \b");
            }
        }
        return;
    }
    if (key.Kind == TKey::TKind::Enter) {
        if (Input == "exit") {
            Goodbye();
            return;
        }
        History.push_back(std::exchange(Input, {}));
        if (History.size() > MaxHistory) {
            History.pop_front();
        }
        RedrawPending = true;
        return;
    }
    Navigate(key);
}

void TDemoApp::KeysKey(const TKey& key) {
    const bool leaves =
        (key.Kind == TKey::TKind::Function && (key.Value == 1 || key.Value == 10)) ||
        key.Kind == TKey::TKind::Escape || (key.Kind == TKey::TKind::Alt && key.Value == 'X');
    if (leaves) {
        Navigate(key);
        return;
    }
    std::string line = KeyName(key);
    line.resize(std::max<std::size_t>(line.size() + 1, 14), ' ');
    line += Cp("байты: ") + HexBytes(key.Bytes);
    line.resize(std::min<std::size_t>(line.size(), static_cast<std::size_t>(Cols - 4)));
    KeyLog.push_back(line);
    if (KeyLog.size() > MaxHistory) {
        KeyLog.pop_front();
    }
    RedrawPending = true;
}

} // namespace lemnar::demo
