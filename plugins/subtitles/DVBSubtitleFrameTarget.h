#pragma once
// Paints subtitle pixels opaque, straight into the planes of a 4:2:0 frame.
#include "DVBSubtitleDrawTarget.h"

class CDVBSubtitleFrameTarget : public CDVBSubtitleDrawTarget
{
public:
    void SetFrame(int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V);
    bool SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry& entry) override;

private:
    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    unsigned char* m_y = nullptr;
    unsigned char* m_u = nullptr;
    unsigned char* m_v = nullptr;
};
