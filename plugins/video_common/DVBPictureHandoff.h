#pragma once
// Hands decoded pictures to a display, telling it the picture's shape and
// colour space first: a new display, and every display after a change, is
// told once, before the next picture. Interlaced pictures go through the
// deinterlacer on the way, as the deinterlacing setting asks.
#include "DVBDeinterlacer.h"
#include "DVBPicture.h"

#include "plugin/DVBColourSpace.h"

#include <cstdint>
#include <memory>

class CDVBDisplay;

class CDVBPictureHandoff
{
public:
    // Deinterlaces with libavfilter.
    CDVBPictureHandoff();
    explicit CDVBPictureHandoff(std::unique_ptr<CDVBFieldFilter> filter);

    // The shape of the whole picture: its size times the pixel shape, reduced
    // (720 x 576 pixels of 64:45 make 16:9). A zero side means unknown (0:0).
    void SetShape(uint64_t across, uint64_t down);
    void SetColourSpace(const SDVBColourSpace& space);
    // Without a display the picture is dropped, with whatever the deinterlacer held.
    void Deliver(CDVBDisplay* display, const SDVBPicture& picture);
    // The stream ended: the picture the deinterlacer holds back is shown.
    void Finish(CDVBDisplay* display);
    // The stream broke: the picture the deinterlacer holds back is dropped.
    void Discard();

private:
    void Show(CDVBDisplay* display, const SDVBPicture& picture);

    CDVBDeinterlacer m_deinterlacer;
    int m_aspectNumerator = 0;
    int m_aspectDenominator = 0;
    CDVBDisplay* m_aspectTold = nullptr;
    SDVBColourSpace m_colourSpace;
    CDVBDisplay* m_colourTold = nullptr;
};
