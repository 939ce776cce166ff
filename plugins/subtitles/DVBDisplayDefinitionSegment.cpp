#include "DVBDisplayDefinitionSegment.h"

#include <algorithm>

namespace {

constexpr uint8_t WINDOW_FLAG = 0x08;

// A size field holds the size minus one.
int ReadSize(uint16_t field)
{
    return std::min(int(field) + 1, DVB_SUBTITLE_MAX_DISPLAY_SIDE);
}

// A window side that ends before it starts or starts outside the display.
bool IsValidSide(uint16_t first, uint16_t last, int side)
{
    return first <= last && first < side;
}

} // namespace

bool CDVBDisplayDefinitionSegment::ParseBody(CDVBByteReader& reader)
{
    uint8_t flags;
    uint16_t width, height;
    if (!reader.ReadByte(flags) || !reader.ReadWord(width) || !reader.ReadWord(height))
        return false;
    m_version = flags >> 4;
    CDVBDisplayDefinition& display = m_definition;
    display.width = display.windowWidth = ReadSize(width);
    display.height = display.windowHeight = ReadSize(height);
    if (!(flags & WINDOW_FLAG))
        return true;
    uint16_t left, right, top, bottom;
    if (!reader.ReadWord(left) || !reader.ReadWord(right) || !reader.ReadWord(top) || !reader.ReadWord(bottom))
        return false;
    // A window that makes no sense is ignored; one that runs past the
    // display's edge is cut there.
    if (!IsValidSide(left, right, display.width) || !IsValidSide(top, bottom, display.height))
        return true;
    display.windowX = left;
    display.windowY = top;
    display.windowWidth = std::min<int>(right, display.width - 1) - left + 1;
    display.windowHeight = std::min<int>(bottom, display.height - 1) - top + 1;
    return true;
}
