#pragma once
// Something drawn over every picture a display shows (subtitles, the logo).
#include <cstdint>

class CDVBDisplayLayer
{
public:
    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBDisplayLayer() = default;
    // Called for each frame about to be shown, after it is in the display's own
    // frame memory. pitch is the distance between luma rows; chroma rows have
    // half the pitch, width and height; layers write into the planes. time is the programme clock when the display
    // released the frame (90 kHz), or 0 when the display has no clock.
    virtual void DrawIntoFrame(int /*width*/, int /*height*/, int /*pitch*/, unsigned char* /*Y*/,
        unsigned char* /*U*/, unsigned char* /*V*/, int64_t /*time*/)
    {
    }
};
