#pragma once
// The target a video decoder hands finished pictures to. A display plug-in
// makes the concrete one; the base shows nothing and accepts no layers.
//
// Pictures are planar 4:2:0: width x height luma bytes in Y (pitch = width),
// and width/2 x height/2 bytes in each of U (Cb) and V (Cr). The caller keeps
// the planes, so a display copies what it needs before OnFrame returns.
#include "platform/Event.h"
#include "plugin/DVBColourSpace.h"

#include <cstdint>

class CDVBProgramClock;
class CDVBDisplayLayer;

class CDVBDisplay
{
public:
    CDVBDisplay() = default;
    CDVBDisplay(const CDVBDisplay&) = default;
    CDVBDisplay& operator=(const CDVBDisplay&) = default;

    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBDisplay() = default;
    virtual void SetProgramClock(CDVBProgramClock* clock) { m_programClock = clock; }
    // time: the picture's presentation time in 90 kHz units on the programme clock's scale.
    virtual void OnFrame(int /*width*/, int /*height*/, const unsigned char* /*Y*/, const unsigned char* /*U*/,
        const unsigned char* /*V*/, int64_t /*time*/)
    {
    }
    virtual void OnEveryMillisecond() { }
    virtual bool AddDisplayLayer(CDVBDisplayLayer* /*layer*/) { return false; }
    // Once this returns, the layer is never called again: its owner deletes it next.
    virtual bool RemoveDisplayLayer(CDVBDisplayLayer* /*layer*/) { return false; }
    // The shape the pictures are meant to be seen at (16:9, 4:3), from the
    // video sequence; 0:0 when unknown, and the picture fills the window.
    virtual void SetDisplayAspectRatio(int /*numerator*/, int /*denominator*/) { }
    // Pictures presented, and pictures dropped because the queue was full, since the display opened.
    virtual void GetPictureCounts(uint64_t& shown, uint64_t& dropped) const { shown = dropped = 0; }
    // A new timeline starts (a service change, a closed component, a break in
    // the clock): every picture still waiting is dropped at once, a decoder
    // waiting for room is let go, and the next picture is shown as soon as it
    // comes. SetProgramClock does the same.
    virtual void Flush() { }
    // The colour space of the pictures given from the next one on; the
    // decoder tells it before its first picture and at every change.
    virtual void SetColourSpace(const SDVBColourSpace& /*space*/) { }
    // How long the display can do without OnEveryMillisecond; KRX_INFINITE
    // for one that keeps its own time.
    virtual uint32_t GetMillisecondsUntilNotification() { return 1; }

protected:
    CDVBProgramClock* m_programClock = nullptr;
};
