#pragma once
// Paints subtitle pixels opaque, straight into the planes of a 4:2:0 frame.
// The page's display is stretched over the whole frame, whatever their sizes:
// each display pixel covers the block of frame pixels that falls to it.
#include "DVBSubtitleDrawTarget.h"

#include <vector>

class CDVBSubtitleFrameTarget : public CDVBSubtitleDrawTarget
{
public:
    void SetFrame(int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V);
    // Fits the page's display to the frame.
    void BeginPage() override;
    bool SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry& entry) override;

private:
    void Paint(int x, int y, const CDVBCLUTEntry& entry);

    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    unsigned char* m_y = nullptr;
    unsigned char* m_u = nullptr;
    unsigned char* m_v = nullptr;
    // The first frame column (row) of each display column (row); the last
    // entry is one past the frame's edge.
    std::vector<int> m_columns;
    std::vector<int> m_rows;
    // Display and frame agree, as on most pictures: pixels need no stretching.
    bool m_sameSize = false;
};
