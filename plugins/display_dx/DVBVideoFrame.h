#pragma once
// One picture waiting to be shown: planar 4:2:0 with packed rows (the luma
// stride is the width, the chroma stride half of it) and its presentation time.
// The blocks are reused for every picture and only grow.
#include "plugin/DVBColourSpace.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CDVBVideoFrame
{
public:
    virtual ~CDVBVideoFrame() = default;

    // Makes room for a width x height picture; keeps the blocks when they are large enough.
    void SetSize(int width, int height);
    // Copies a picture of this frame's size from packed planes.
    void CopyFrom(const unsigned char* Y, const unsigned char* U, const unsigned char* V);
    void Fill(unsigned char luma, unsigned char chroma);

    int64_t GetTime() const { return m_time; }
    void SetTime(int64_t time) { m_time = time; }
    const SDVBColourSpace& GetColourSpace() const { return m_colourSpace; }
    void SetColourSpace(const SDVBColourSpace& space) { m_colourSpace = space; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    const unsigned char* GetY() const { return m_Y.data(); }
    const unsigned char* GetU() const { return m_U.data(); }
    const unsigned char* GetV() const { return m_V.data(); }

private:
    int64_t m_time = 0;
    SDVBColourSpace m_colourSpace;
    std::vector<unsigned char> m_Y, m_U, m_V;
    int m_width = 0;
    int m_height = 0;
    size_t m_lumaSize = 0;
    size_t m_chromaSize = 0;
};
