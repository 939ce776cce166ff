#pragma once
// Decodes the run-length pixel strings of one object (2-, 4- and 8-bit code
// strings, top and bottom field) into a rectangle of pixel codes, one byte
// each. An object is no larger than the display it is meant for (720 x 576
// unless the display set defines another): runs past its width are cut and
// rows from its height on are dropped.
#include "DVBBitReader.h"

#include <vector>

constexpr int DVB_SUBTITLE_WIDTH = 720;
constexpr int DVB_SUBTITLE_HEIGHT = 576;

class CDVBPixelDataDecoder
{
public:
    explicit CDVBPixelDataDecoder(int width = DVB_SUBTITLE_WIDTH, int height = DVB_SUBTITLE_HEIGHT)
        : m_areaWidth(width)
        , m_areaHeight(height)
    {
    }
    // reader stands at the top field block, which the bottom field block follows.
    void Decode(CDVBByteReader& reader, uint16_t topLength, uint16_t bottomLength);
    uint16_t GetWidth() const { return m_widest; }
    uint16_t GetHeight() const { return m_height; }
    // width x height codes, row by row; empty when either is 0.
    std::vector<uint8_t> CopyPixels() const;

private:
    void DecodeField(CDVBBitReader& bits);
    void DecodeTwoBitString(CDVBBitReader& bits);
    void DecodeFourBitString(CDVBBitReader& bits);
    void DecodeEightBitString(CDVBBitReader& bits);
    // Reads units of the given size until the reader stands at a byte boundary.
    static void SkipToByteBoundary(CDVBBitReader& bits, unsigned unit);
    static void SkipBits(CDVBBitReader& bits, unsigned unit, int count);
    void EndLine();
    void Emit(int count, uint8_t code);
    void RepeatTopField();
    void HoldRows(int rows);
    int GetRowsHeld() const { return int(m_work.size() / size_t(m_areaWidth)); }

    const int m_areaWidth;
    const int m_areaHeight;
    std::vector<uint8_t> m_work;
    int m_x = 0;
    int m_y = 0;
    uint16_t m_widest = 0;
    uint16_t m_height = 0;
};
