#pragma once
// A video decoder as the video receiver drives it: stamped runs of elementary
// stream in, pictures out to a display. Only the receiver's decode thread uses it.
#include <cstddef>
#include <cstdint>

class CDVBDisplay;

class CDVBPictureDecoder
{
public:
    virtual ~CDVBPictureDecoder() = default;

    // False when the decoder could not be made (no memory): it must not be fed.
    virtual bool IsValid() const = 0;
    // The next picture that begins in the data decoded afterwards has this PTS.
    virtual void TagNextPicture(int64_t pts) = 0;
    // Decodes the bytes and hands every picture it releases to the display,
    // in display order; without a display they are dropped.
    virtual void Decode(unsigned char* data, size_t size, CDVBDisplay* display) = 0;
    // The stream was broken or spliced: every picture held or referenced is
    // forgotten, and pictures come again from the next key picture on.
    virtual void DropReferences() = 0;
};
