#pragma once
// A deinterlacing filter at field rate: every picture pushed comes back as two
// progressive pictures, one per field, the first at the picture's time and the
// second half way to the next picture's. It holds one picture back, as it
// needs the next one to build the fields of the one before. The deinterlacer
// drives it, so that its logic can be tested without the library.
#include "DVBPicture.h"

#include "plugin/KRXDeinterlace.h"

class CDVBFieldFilter
{
public:
    virtual ~CDVBFieldFilter() = default;

    // Ready for pictures of width x height, through the Bwdif or Yadif
    // method, replacing what was made before; false when it cannot be made.
    virtual bool Open(int width, int height, CKRXDeinterlace::Mode method) = 0;
    // A picture of the opened size, its time later than the last one's; its
    // field order is the picture's own. False when it was refused.
    virtual bool Push(const SDVBPicture& picture) = 0;
    // No picture follows: the one held back comes out too.
    virtual void PushEnd() = 0;
    // The next progressive picture, if one is ready. It stays valid until the
    // next call.
    virtual bool Pull(SDVBPicture& picture) = 0;
    // Everything held is forgotten and freed.
    virtual void Close() = 0;
};
