#pragma once
// A full-screen form as a QNX application draws it on an 80 x 25 console:
// cleared in grey on blue, a double frame with a title in Russian (code page
// 866), labelled fields in reverse video, a single-line table, a status line,
// and a bar chart drawn over it through the command channel.

#include "support/QnxBytes.h"

#include <cstdio>
#include <string>

namespace lemnar::test {

namespace qnxform {

inline std::string Esc(const std::string& s) {
    return "\x1b" + s;
}

inline std::string Colors(char fg, char bg) {
    return Esc("@") + fg + bg;
}

inline std::string ClearColors(char fg, char bg) {
    return Esc("!") + fg + bg;
}

// A horizontal line: left corner, n fill characters by a repeat, right corner.
inline std::string HLine(int row, int col, char left, char fill, int n, char right) {
    return At(row, col) + left + Repeat(n, fill) + right;
}

// A field in reverse video, padded to its width with blanks.
inline std::string Field(int row, int col, const std::string& value, int width) {
    return At(row, col) + Colors('7', '1') + Esc("(") + value +
           Repeat(width - static_cast<int>(value.size()), ' ') + Esc(")");
}

inline std::string Label(int row, int col, const std::string& text) {
    return At(row, col) + Colors('7', '1') + text;
}

// Code page 866 box characters.
constexpr char DTopLeft = '\xc9', DTopRight = '\xbb', DBottomLeft = '\xc8', DBottomRight = '\xbc',
               DHorizontal = '\xcd', DVertical = '\xba';
constexpr char DSplitLeft = '\xc7', DSplitRight = '\xb6'; // double vertical, single across
constexpr char STopLeft = '\xda', STopRight = '\xbf', SBottomLeft = '\xc0', SBottomRight = '\xd9',
               SHorizontal = '\xc4', SVertical = '\xb3';
constexpr char STeeDown = '\xc2', STeeUp = '\xc1', STeeRight = '\xc3', STeeLeft = '\xb4',
               SCross = '\xc5';

// "ЗАКАЗ НА ПОСТАВКУ ТОВАРА"
inline const std::string Title = "\x87\x80\x8a\x80\x87 \x8d\x80 "
                                 "\x8f\x8e\x91\x92\x80\x82\x8a\x93 \x92\x8e\x82\x80\x90\x80";
inline const std::string Supplier = "\x8f\xae\xe1\xe2\xa0\xa2\xe9\xa8\xaa:"; // "Поставщик:"
inline const std::string SupplierValue =
    "\x8e\x8e\x8e \"\x90\xae\xac\xa0\xe8\xaa\xa0\""; // "ООО "Ромашка""
inline const std::string Date =
    "\x84\xa0\xe2\xa0 \xaf\xae\xe1\xe2\xa0\xa2\xaa\xa8:"; // "Дата поставки:"
inline const std::string Sum = "\x91\xe3\xac\xac\xa0, \xe0\xe3\xa1.:"; // "Сумма, руб.:"
inline const std::string Note = "\x8f\xe0\xa8\xac\xa5\xe7\xa0\xad\xa8\xa5:"; // "Примечание:"
// "Наименование", "Кол-во"
inline const std::string ItemName = "\x8d\xa0\xa8\xac\xa5\xad\xae\xa2\xa0\xad\xa8\xa5";
inline const std::string ItemCount = "\x8a\xae\xab-\xa2\xae";
// "Сахар", "Мука", "Соль"
inline const std::string Items[3] = {"\x91\xa0\xe5\xa0\xe0", "\x8c\xe3\xaa\xa0",
                                     "\x91\xae\xab\xec"};
inline const std::string Counts[3] = {"120", "45", "8"};
inline const std::string Store = "\x91\xaa\xab\xa0\xa4 \xfc"
                                 "2";                       // "Склад №2"
inline const std::string Lines = "\x91\xe2\xe0\xae\xaa: 3"; // "Строк: 3"
// "F1 Помощь  F2 Сохранить  F10 Выход"
inline const std::string Status = " F1 \x8f\xae\xac\xae\xe9\xec  F2 "
                                  "\x91\xae\xe5\xe0\xa0\xad\xa8\xe2\xec  F10 \x82\xeb\xe5\xae\xa4";

} // namespace qnxform

// Title row 1, fields on rows 4, 6, 8 and 10 from column 20, the table on rows
// 12..18 in columns 3..36, the chart area rows 12..20 columns 44..77, the
// footer on row 22, the status line on row 24. The write position ends on the
// first field.
inline std::string QnxFormBytes() {
    using namespace qnxform;
    std::string s;
    s += ClearColors('7', '1') + "\f" + Esc("H");
    // Whatever an earlier screen left in the lower part is cleared first.
    s += At(12, 1) + "old screen" + At(20, 30) + "old screen" + At(12, 1) + Esc("J");

    s += Colors(';', '1');
    s += HLine(0, 0, DTopLeft, DHorizontal, 78, DTopRight);
    for (int row = 1; row < 23; ++row)
        s += At(row, 0) + DVertical + At(row, 79) + DVertical;
    s += HLine(2, 0, DSplitLeft, SHorizontal, 78, DSplitRight);
    s += HLine(23, 0, DBottomLeft, DHorizontal, 78, DBottomRight);

    s += At(1, 40 - static_cast<int>(Title.size()) / 2) + Colors('>', '1') + Title;

    s += Label(4, 3, Supplier) + Field(4, 20, SupplierValue, 30);
    s += Label(6, 3, Date) + Field(6, 20, "12.03.2024", 12);
    s += Label(8, 3, Sum) + Field(8, 20, "15 400,00", 14);
    s += Label(10, 3, Note) + Field(10, 20, "", 50);

    // The table: a header row, a rule, three items.
    s += Colors('7', '1');
    s += At(12, 3) + STopLeft + Repeat(20, SHorizontal) + STeeDown + Repeat(11, SHorizontal) +
         STopRight;
    s += At(13, 3) + SVertical + " " + Colors('?', '1') + ItemName + Colors('7', '1') + At(13, 24) +
         SVertical + " " + Colors('?', '1') + ItemCount + Colors('7', '1') + At(13, 36) + SVertical;
    s += At(14, 3) + STeeRight + Repeat(20, SHorizontal) + SCross + Repeat(11, SHorizontal) +
         STeeLeft;
    for (int i = 0; i < 3; ++i) {
        const int row = 15 + i;
        s += At(row, 3) + SVertical + " " + Items[i] + At(row, 24) + SVertical +
             At(row, 35 - static_cast<int>(Counts[i].size())) + Counts[i] + " " + SVertical;
    }
    s += At(18, 3) + SBottomLeft + Repeat(20, SHorizontal) + STeeUp + Repeat(11, SHorizontal) +
         SBottomRight;

    // The footer inside the frame: a line written over, then cut back.
    s += At(22, 3) + Colors('>', '1') + Store + "  (temporary text)" + At(22, 12) + Esc("K");
    // ESC K cleared through the right edge of the frame: put it back.
    s += Colors(';', '1') + At(22, 79) + DVertical;
    s += At(22, 66) + Colors('7', '1') + qnxform::Lines;

    // The status line in black on cyan, to the end of the line.
    s += ClearColors('0', '3') + At(24, 0) + Colors('0', '3') + Status + Esc("K");
    s += ClearColors('7', '1') + Colors('7', '1');

    s += At(4, 20);
    return s;
}

// A bar chart over the empty area right of the table, in pixels of a grid of
// cellWidth x cellHeight: white axes, three filled bars, a caption. It leaves
// the terminal in command mode, so the drawing stays on the pictures.
inline std::string QnxChartBytes(int cellWidth, int cellHeight) {
    auto point = [](char which, int x, int y) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "&%c%03X%03X~", which, x & 0xFFF, y & 0xFFF);
        return std::string(buf);
    };
    auto color = [](int v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "&C%06X~", v);
        return std::string(buf);
    };
    const int left = 46 * cellWidth;
    const int bottom = 20 * cellHeight;
    const int right = 76 * cellWidth;
    const int top = 12 * cellHeight + cellHeight / 2;
    std::string s = "\x1bG1~";
    s += color(15) + point('A', left, top) + point('B', left, bottom) + "&L~";
    s += point('A', left, bottom) + point('B', right, bottom) + "&L~";
    const int heights[3] = {120, 45, 8};
    const int colours[3] = {10, 14, 12};
    const int barWidth = 6 * cellWidth;
    const int maxHeight = bottom - top - cellHeight;
    for (int i = 0; i < 3; ++i) {
        const int x = left + cellWidth * 2 + i * (barWidth + 2 * cellWidth);
        const int h = maxHeight * heights[i] / 120;
        s += color(colours[i]) + point('A', x, bottom - h) + point('B', x + barWidth, bottom) +
             "&B~";
    }
    s += color(15) + point('A', left + 2 + cellWidth, top + 4) + "&TStock, kg~";
    return s;
}

} // namespace lemnar::test
