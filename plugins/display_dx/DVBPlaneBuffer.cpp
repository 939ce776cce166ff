#include "DVBPlaneBuffer.h"

void CDVBPlaneBuffer::SetSize(int width, int height, int pitch)
{
    m_width = width;
    m_height = height;
    m_pitch = pitch > 0 ? pitch : width + (width & 1);
    const size_t chromaSize = size_t(m_pitch / 2) * size_t(GetChromaHeight());
    m_Y.assign(size_t(m_pitch) * size_t(height), 0x00);
    m_U.assign(chromaSize, 0x80);
    m_V.assign(chromaSize, 0x80);
}

SDVBSurfacePlanes CDVBPlaneBuffer::GetPlanes()
{
    return { m_Y.data(), m_U.data(), m_V.data(), m_pitch };
}
