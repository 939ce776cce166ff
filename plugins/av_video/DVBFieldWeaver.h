#pragma once
// HEVC carries an interlaced frame as two field pictures, each half the
// frame's height, its picture timing saying which field it is. They are
// woven back, row by row, into the frame they were taken from, so that the
// frame is deinterlaced or shown as any other. A field whose partner never
// comes (lost, or the next of the same parity) is dropped.
#include "DVBPicture.h"

#include <vector>

class CDVBFieldWeaver
{
public:
    // A field in the display's form (packed 8-bit 4:2:0, even sizes). True
    // when it completes a frame: twice the height, at its first field's time,
    // interlaced with that field first; it stays valid until the next call.
    bool Add(const SDVBPicture& field, bool top, SDVBPicture& frame);
    // Forgets a field waiting for its partner, as after a seek or a flush.
    void Reset() { m_waiting = false; }

private:
    void Copy(const SDVBPicture& field, bool top);

    std::vector<unsigned char> m_frame;
    SDVBPicture m_first;
    bool m_firstTop = true;
    bool m_waiting = false;
};
