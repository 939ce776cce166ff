#pragma once
// Hands decoded pictures to a display, telling it the picture's shape first:
// a new display, and every display after a new shape, is told once, before
// the next picture.
#include <cstdint>

class CDVBDisplay;

class CDVBPictureHandoff
{
public:
    // The shape of the whole picture: its size times the pixel shape, reduced
    // (720 x 576 pixels of 64:45 make 16:9). A zero side means unknown (0:0).
    void SetShape(uint64_t across, uint64_t down);
    void Deliver(CDVBDisplay* display, int width, int height, const unsigned char* Y, const unsigned char* U,
        const unsigned char* V, int64_t time);

private:
    int m_aspectNumerator = 0;
    int m_aspectDenominator = 0;
    CDVBDisplay* m_aspectTold = nullptr;
};
