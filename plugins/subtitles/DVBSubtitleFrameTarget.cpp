#include "DVBSubtitleFrameTarget.h"

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

// The last pixel painted in a 2 x 2 block gives the block its chroma.
bool CDVBSubtitleFrameTarget::SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry& entry)
{
    if (x >= m_width || y >= m_height)
        return false;
    m_y[y * m_pitch + x] = entry.y;
    const int chroma = (y / 2) * (m_pitch / 2) + x / 2;
    m_u[chroma] = entry.cb;
    m_v[chroma] = entry.cr;
    return true;
}
