#include "DVBSubtitleFrameTarget.h"

namespace {

void Stretch(std::vector<int>& starts, int displaySide, int frameSide)
{
    starts.resize(size_t(displaySide) + 1);
    for (int at = 0; at <= displaySide; ++at)
        starts[size_t(at)] = int(int64_t(at) * frameSide / displaySide);
}

} // namespace

void CDVBSubtitleFrameTarget::SetFrame(
    int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V)
{
    m_width = width;
    m_height = height;
    m_pitch = pitch;
    m_y = Y;
    m_u = U;
    m_v = V;
}

void CDVBSubtitleFrameTarget::BeginPage()
{
    m_sameSize = m_display.width == m_width && m_display.height == m_height;
    Stretch(m_columns, m_display.width, m_width);
    Stretch(m_rows, m_display.height, m_height);
}

// The last pixel painted in a 2 x 2 block gives the block its chroma.
inline void CDVBSubtitleFrameTarget::Paint(int x, int y, const CDVBCLUTEntry& entry)
{
    m_y[y * m_pitch + x] = entry.y;
    const int chroma = (y / 2) * (m_pitch / 2) + x / 2;
    m_u[chroma] = entry.cb;
    m_v[chroma] = entry.cr;
}

// A display larger than the frame gives some of its pixels no frame pixel;
// one smaller gives each a block. Where display and frame agree, as for a
// 720 x 576 stream on a 720 x 576 picture, each pixel is painted as it stands.
bool CDVBSubtitleFrameTarget::SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry& entry)
{
    if (x >= m_display.windowWidth || y >= m_display.windowHeight)
        return false;
    const size_t column = size_t(m_display.windowX + x), row = size_t(m_display.windowY + y);
    if (m_sameSize) {
        Paint(int(column), int(row), entry);
        return true;
    }
    for (int frameRow = m_rows[row]; frameRow < m_rows[row + 1]; ++frameRow)
        for (int frameColumn = m_columns[column]; frameColumn < m_columns[column + 1]; ++frameColumn)
            Paint(frameColumn, frameRow, entry);
    return true;
}
