#include "DVBPixelDataDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

enum : uint8_t {
    TWO_BIT_STRING = 0x10,
    FOUR_BIT_STRING = 0x11,
    EIGHT_BIT_STRING = 0x12,
    TWO_TO_FOUR_MAP = 0x20,
    TWO_TO_EIGHT_MAP = 0x21,
    FOUR_TO_EIGHT_MAP = 0x22,
    END_OF_LINE = 0xF0,
};

} // namespace

void CDVBPixelDataDecoder::Decode(CDVBByteReader& reader, uint16_t topLength, uint16_t bottomLength)
{
    if (topLength != 0) {
        m_x = 0;
        m_y = 0;
        CDVBBitReader top(reader, topLength);
        DecodeField(top);
        // Rows past the area were never written.
        m_height = uint16_t(std::min(m_y, m_areaHeight));
    }
    if (bottomLength != 0) {
        m_x = 0;
        m_y = 1;
        CDVBBitReader bottom(reader, bottomLength);
        DecodeField(bottom);
    } else {
        // An empty bottom block means the top field serves both fields;
        // broadcasters send progressive subtitles this way.
        RepeatTopField();
    }
}

std::vector<uint8_t> CDVBPixelDataDecoder::CopyPixels() const
{
    std::vector<uint8_t> pixels;
    if (m_widest == 0 || m_height == 0)
        return pixels;
    pixels.resize(size_t(m_widest) * m_height);
    for (int row = 0; row < std::min<int>(m_height, GetRowsHeld()); ++row)
        std::memcpy(&pixels[size_t(row) * m_widest], &m_work[size_t(row) * m_areaWidth], m_widest);
    return pixels;
}

void CDVBPixelDataDecoder::DecodeField(CDVBBitReader& bits)
{
    uint8_t type;
    while (bits.GetBytesLeft() > 0 && bits.ReadBits(8, type)) {
        switch (type) {
        case TWO_BIT_STRING:
            DecodeTwoBitString(bits);
            SkipToByteBoundary(bits, 2);
            break;
        case FOUR_BIT_STRING:
            DecodeFourBitString(bits);
            SkipToByteBoundary(bits, 4);
            break;
        case EIGHT_BIT_STRING:
            DecodeEightBitString(bits);
            break;
        // Map tables would widen codes for deeper regions; codes are drawn as they stand.
        case TWO_TO_FOUR_MAP:
            SkipBits(bits, 4, 4);
            break;
        case TWO_TO_EIGHT_MAP:
            SkipBits(bits, 8, 4);
            break;
        case FOUR_TO_EIGHT_MAP:
            SkipBits(bits, 8, 16);
            break;
        case END_OF_LINE:
            EndLine();
            break;
        default:
            break;
        }
    }
}

void CDVBPixelDataDecoder::DecodeTwoBitString(CDVBBitReader& bits)
{
    uint8_t code, flag, length;
    for (;;) {
        if (!bits.ReadBits(2, code))
            return;
        if (code != 0) {
            Emit(1, code);
            continue;
        }
        if (!bits.ReadBits(1, flag))
            return;
        if (flag == 1) {
            if (!bits.ReadBits(3, length) || !bits.ReadBits(2, code))
                return;
            Emit(length + 3, code);
            continue;
        }
        if (!bits.ReadBits(1, flag))
            return;
        if (flag == 1) {
            Emit(1, 0);
            continue;
        }
        if (!bits.ReadBits(2, flag))
            return;
        switch (flag) {
        case 0:
            return;
        case 1:
            Emit(2, 0);
            break;
        case 2:
            if (!bits.ReadBits(4, length) || !bits.ReadBits(2, code))
                return;
            Emit(length + 12, code);
            break;
        default:
            if (!bits.ReadBits(8, length) || !bits.ReadBits(2, code))
                return;
            Emit(length + 29, code);
            break;
        }
    }
}

void CDVBPixelDataDecoder::DecodeFourBitString(CDVBBitReader& bits)
{
    uint8_t code, flag, length;
    for (;;) {
        if (!bits.ReadBits(4, code))
            return;
        if (code != 0) {
            Emit(1, code);
            continue;
        }
        if (!bits.ReadBits(1, flag))
            return;
        if (flag == 0) {
            if (!bits.ReadBits(3, length) || length == 0)
                return;
            Emit(length + 2, 0);
            continue;
        }
        if (!bits.ReadBits(1, flag))
            return;
        if (flag == 0) {
            if (!bits.ReadBits(2, length) || !bits.ReadBits(4, code))
                return;
            Emit(length + 4, code);
            continue;
        }
        if (!bits.ReadBits(2, flag))
            return;
        switch (flag) {
        case 0:
            Emit(1, 0);
            break;
        case 1:
            Emit(2, 0);
            break;
        case 2:
            if (!bits.ReadBits(4, length) || !bits.ReadBits(4, code))
                return;
            Emit(length + 9, code);
            break;
        default:
            if (!bits.ReadBits(8, length) || !bits.ReadBits(4, code))
                return;
            Emit(length + 25, code);
            break;
        }
    }
}

void CDVBPixelDataDecoder::DecodeEightBitString(CDVBBitReader& bits)
{
    uint8_t code, flag, length;
    for (;;) {
        if (!bits.ReadBits(8, code))
            return;
        if (code != 0) {
            Emit(1, code);
            continue;
        }
        if (!bits.ReadBits(1, flag) || !bits.ReadBits(7, length))
            return;
        if (flag == 1) {
            if (!bits.ReadBits(8, code))
                return;
            Emit(length, code);
        } else if (length == 0) {
            return;
        } else {
            Emit(length, 0);
        }
    }
}

void CDVBPixelDataDecoder::SkipToByteBoundary(CDVBBitReader& bits, unsigned unit)
{
    uint8_t ignored;
    while (!bits.IsAtByteBoundary() && bits.ReadBits(unit, ignored)) { }
}

void CDVBPixelDataDecoder::SkipBits(CDVBBitReader& bits, unsigned unit, int count)
{
    uint8_t ignored;
    for (int i = 0; i < count && bits.ReadBits(unit, ignored); ++i) { }
}

void CDVBPixelDataDecoder::EndLine()
{
    m_widest = std::max(m_widest, uint16_t(m_x));
    m_y += 2;
    m_x = 0;
}

void CDVBPixelDataDecoder::Emit(int count, uint8_t code)
{
    count = std::min(count, m_areaWidth - m_x);
    if (m_y >= m_areaHeight || count <= 0)
        return;
    HoldRows(m_y + 1);
    std::memset(&m_work[size_t(m_y) * m_areaWidth + m_x], code, size_t(count));
    m_x += count;
}

// The work area grows by whole rows as runs reach them, cleared to code 0, so
// pixels no run reaches (the ends of short lines) are the background code and
// a small object costs no full-frame buffer.
void CDVBPixelDataDecoder::HoldRows(int rows)
{
    if (rows > GetRowsHeld())
        m_work.resize(size_t(rows) * m_areaWidth, 0);
}

void CDVBPixelDataDecoder::RepeatTopField()
{
    HoldRows(m_height);
    for (int row = 1; row < m_height; row += 2)
        std::memcpy(&m_work[size_t(row) * m_areaWidth], &m_work[size_t(row - 1) * m_areaWidth], size_t(m_areaWidth));
}
