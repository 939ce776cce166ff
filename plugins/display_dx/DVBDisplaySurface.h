#pragma once
// Where a display puts its pictures: a window, a file or nowhere. Every call
// comes from the display's frame thread, so a surface needs no lock of its own
// and a toolkit that wants one thread for everything gets it.
#include "platform/CString.h"
#include "plugin/DVBColourSpace.h"

#include <cstdint>

// Write access to the picture being drawn: planar 4:2:0, chroma rows with
// half the luma pitch.
struct SDVBSurfacePlanes {
    unsigned char* Y = nullptr;
    unsigned char* U = nullptr;
    unsigned char* V = nullptr;
    int pitch = 0;
};

class CDVBDisplaySurface
{
public:
    virtual ~CDVBDisplaySurface() = default;

    // Once, before anything else: the window or file. False with the reason.
    virtual bool Open(CString& error) = 0;
    // For pictures of width x height, replacing what was made for another size.
    virtual bool Create(int width, int height, CString& error) = 0;
    virtual bool Lock(SDVBSurfacePlanes& planes) = 0;
    virtual void Unlock() = 0;
    // Shows what was drawn. time is the picture's own; blank is the black
    // frame shown while no pictures come.
    virtual void Present(int64_t time, bool blank) = 0;
    // The shape to show the pictures at; 0:0 fills the whole area.
    virtual void SetAspectRatio(int /*numerator*/, int /*denominator*/) { }
    // Lets a window answer the user; the frame thread calls it every few
    // milliseconds, and a surface redraws on whatever asks for it then.
    virtual void PumpEvents() { }
    virtual void Close() { }
    // The colour space of the pictures drawn from now on.
    virtual void SetColourSpace(const SDVBColourSpace& /*space*/) { }
};
