#pragma once
// One formatted teletext page as a decoder hands it out: 25 rows of 40
// character cells (row 0 is the header), the four colour links and, for a
// subtitle page, its picture.
#include "platform/CString.h"

#include <array>
#include <cstdint>
#include <vector>

struct CDVBTeletextCell {
    char32_t character = U' ';
    // Indices into the page's palette.
    uint8_t foreground = 7;
    uint8_t background = 0;
};

class CDVBTeletextPage
{
public:
    static constexpr int COLUMNS = 40;
    static constexpr int ROWS = 25;

    const CDVBTeletextCell& Cell(int row, int column) const { return m_cells[size_t(row * COLUMNS + column)]; }
    CDVBTeletextCell& Cell(int row, int column) { return m_cells[size_t(row * COLUMNS + column)]; }
    // One row as UTF-8, trailing blanks left off.
    CString GetRowText(int row) const;
    // Rows 1 to 24 as UTF-8 lines, each without its leading and trailing
    // blanks, blank rows left out: the page's text without its layout.
    CString GetText() const;
    bool IsBlank() const;

    // Magazine and page as numbered: 0x100..0x8FF; subpage as sent.
    int m_number = 0;
    int m_subpage = 0;
    // Red, green, yellow, blue; 0 where the page names none.
    std::array<int, 4> m_links {};
    // 0xAABBGGRR.
    std::array<uint32_t, 40> m_palette {};
    // The whole page painted, one 0xAABBGGRR value a pixel, the header row
    // left transparent like every place where the picture shows through.
    // Empty unless asked for.
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    std::vector<uint32_t> m_bitmap;

private:
    std::array<CDVBTeletextCell, size_t(COLUMNS* ROWS)> m_cells {};
};
