#include "StateJson.h"

#include "platform/CodePage866.h"
#include "terminal/Terminal.h"

#include <cstdio>

namespace lemnar {

namespace {

void AppendJsonString(std::string& out, const std::string& utf8) {
    out.push_back('"');
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
}

void Field(std::string& out, const char* name, long long value) {
    out += '"';
    out += name;
    out += "\": ";
    out += std::to_string(value);
    out += ", ";
}

void Pair(std::string& out, const char* name, long long a, long long b) {
    out += '"';
    out += name;
    out += "\": [" + std::to_string(a) + ", " + std::to_string(b) + "], ";
}

} // namespace

std::string StateJson(const TTerminal& t) {
    std::string out = "{";
    Field(out, "rows", t.ScreenRows);
    Field(out, "cols", t.ScreenCols);
    Field(out, "cell_width", t.CellWidth);
    Field(out, "cell_height", t.CellHeight);
    out += "\n ";
    Pair(out, "cursor", t.CursorRow, t.CursorCol);
    Pair(out, "caret", t.CaretRow, t.CaretCol);
    out += "\n ";
    Field(out, "cursor_hidden", t.CursorHidden);
    Field(out, "cursor_drawn", t.CursorDrawn);
    Field(out, "cursor_follows", t.CursorFollows);
    Field(out, "auto_wrap", t.AutoWrap);
    out += "\n ";
    Field(out, "text_fg", t.TextFg);
    Field(out, "text_bg", t.TextBg);
    Field(out, "clear_fg", t.ClearFg);
    Field(out, "clear_bg", t.ClearBg);
    Field(out, "saved_fg", t.SavedFg);
    Field(out, "saved_bg", t.SavedBg);
    out += "\n ";
    Field(out, "bright_fg", t.BrightFg);
    Field(out, "bright_bg", t.BrightBg);
    Field(out, "blink", t.BlinkAttr);
    Field(out, "reverse", t.ReverseAttr);
    Field(out, "conceal", t.ConcealAttr);
    Field(out, "underline", t.UnderlineAttr);
    out += "\n ";
    Field(out, "esc_state", t.EscState);
    Field(out, "command_mode", t.CommandMode);
    Pair(out, "from", t.FromX, t.FromY);
    Pair(out, "to", t.ToX, t.ToY);
    Field(out, "draw_color", t.DrawColor);
    out += "\n \"cells\": [";
    for (int r = 0; r < t.ScreenRows; ++r) {
        out += r ? ",\n  [" : "\n  [";
        for (int c = 0; c < t.ScreenCols; ++c) {
            const Cell& cell = t.ScreenCells[r][c];
            if (c)
                out += ", ";
            out += "[" + std::to_string(cell.Ch) + ", " + std::to_string(cell.Fg) + ", " +
                   std::to_string(cell.Bg) + ", " + std::to_string(cell.Blink) + "]";
        }
        out += "]";
    }
    out += "],\n \"text\": [";
    for (int r = 0; r < t.ScreenRows; ++r) {
        std::uint8_t row[StoreCols];
        for (int c = 0; c < t.ScreenCols; ++c)
            row[c] = t.ScreenCells[r][c].Ch;
        out += r ? ",\n  " : "\n  ";
        AppendJsonString(out, OemToUtf8(row, static_cast<std::size_t>(t.ScreenCols)));
    }
    out += "]}\n";
    return out;
}

} // namespace lemnar
