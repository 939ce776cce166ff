#pragma once
// Planar 4:2:0 picture memory for surfaces that keep the picture themselves.
// The pitch is even, so a chroma row is exactly half a luma row, and chroma
// covers odd sizes too (rounded up), as YUV4MPEG2 expects.
#include "DVBDisplaySurface.h"

#include <vector>

class CDVBPlaneBuffer
{
public:
    // Sizes the buffer for width x height, black; pitch 0 takes the smallest even pitch.
    void SetSize(int width, int height, int pitch = 0);
    SDVBSurfacePlanes GetPlanes();

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetPitch() const { return m_pitch; }
    int GetChromaWidth() const { return (m_width + 1) / 2; }
    int GetChromaHeight() const { return (m_height + 1) / 2; }
    const unsigned char* GetY() const { return m_Y.data(); }
    const unsigned char* GetU() const { return m_U.data(); }
    const unsigned char* GetV() const { return m_V.data(); }

private:
    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    std::vector<unsigned char> m_Y, m_U, m_V;
};
