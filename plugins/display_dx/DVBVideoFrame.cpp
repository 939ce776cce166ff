#include "DVBVideoFrame.h"

#include <algorithm>
#include <cstring>

void CDVBVideoFrame::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
    m_lumaSize = size_t(width) * size_t(height);
    m_chromaSize = size_t(width / 2) * size_t(height / 2);
    // resize never gives memory back, so a smaller picture reuses the blocks
    if (m_Y.size() < m_lumaSize)
        m_Y.resize(m_lumaSize);
    if (m_U.size() < m_chromaSize) {
        m_U.resize(m_chromaSize);
        m_V.resize(m_chromaSize);
    }
}

void CDVBVideoFrame::CopyFrom(const unsigned char* Y, const unsigned char* U, const unsigned char* V)
{
    memcpy(m_Y.data(), Y, m_lumaSize);
    memcpy(m_U.data(), U, m_chromaSize);
    memcpy(m_V.data(), V, m_chromaSize);
}

void CDVBVideoFrame::Fill(unsigned char luma, unsigned char chroma)
{
    std::fill_n(m_Y.begin(), m_lumaSize, luma);
    std::fill_n(m_U.begin(), m_chromaSize, chroma);
    std::fill_n(m_V.begin(), m_chromaSize, chroma);
}
