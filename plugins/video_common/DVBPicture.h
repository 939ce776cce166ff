#pragma once
// A decoded picture on its way to the display: 8-bit planar 4:2:0 with packed
// rows (the luma pitch is the width, the chroma pitch half of it), its
// presentation time in 90 kHz units and how the stream says it was scanned.
// The planes belong to whoever made it, for as long as the call lasts.
#include <cstdint>

struct SDVBPicture {
    int width = 0;
    int height = 0;
    const unsigned char* Y = nullptr;
    const unsigned char* U = nullptr;
    const unsigned char* V = nullptr;
    int64_t time = 0;
    // Two fields taken at different instants rather than one frame.
    bool interlaced = false;
    bool topFieldFirst = true;
};
