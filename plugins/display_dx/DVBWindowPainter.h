#pragma once
// What draws the pictures into the video window: they are written into it
// planar 4:2:0, then drawn letterboxed on the overlay colour and shown. The
// window's events, keys and full screen are its owner's. Every call comes
// from the display's frame thread.
#include "DVBDisplaySurface.h"

#include <cstdint>
#include <vector>

class CDVBWindowPainter
{
public:
    virtual ~CDVBWindowPainter() = default;

    // For pictures of width x height, replacing what was made for another size.
    virtual bool Create(int width, int height, CString& error) = 0;
    virtual bool Lock(SDVBSurfacePlanes& planes) = 0;
    virtual void Unlock() = 0;
    virtual void SetColourSpace(const SDVBColourSpace& space) = 0;
    // The picture last written (none before the first), in the shape
    // aspectNumerator:aspectDenominator (0:0 fills the window), on the
    // overlay colour, 0x00BBGGRR.
    virtual void Draw(unsigned overlayColour, int aspectNumerator, int aspectDenominator) = 0;
    // What the window shows now, 0x00RRGGBB.
    virtual bool ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height) = 0;
};
