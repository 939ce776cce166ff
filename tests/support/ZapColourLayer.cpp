#include "ZapColourLayer.h"

namespace {
// The middle of the box, in chroma samples, and the picture it is drawn on.
constexpr int BoxX = 640 / 2;
constexpr int BoxY = 48 / 2;
constexpr int PictureWidth = 720;
constexpr int PictureHeight = 576;
constexpr int Around = 4;
} // namespace

void ZapColourLayer::DrawIntoFrame(
    int width, int height, int pitch, unsigned char*, unsigned char* U, unsigned char* V, int64_t)
{
    ++m_counts[ColourOf(width, height, pitch, U, V)];
}

ZapColourLayer::Colour ZapColourLayer::ColourOf(
    int width, int height, int pitch, const unsigned char* U, const unsigned char* V)
{
    if (width != PictureWidth || height != PictureHeight)
        return Other;
    // An average over a few samples, which coding noise cannot move far.
    int u = 0, v = 0;
    for (int y = BoxY - Around; y < BoxY + Around; ++y) {
        for (int x = BoxX - Around; x < BoxX + Around; ++x) {
            u += U[y * (pitch / 2) + x];
            v += V[y * (pitch / 2) + x];
        }
    }
    u /= 4 * Around * Around;
    v /= 4 * Around * Around;
    // Red is about (U 90, V 240), blue (240, 110), grey and black (128, 128).
    if (v > 192 && u < 128)
        return Red;
    if (u > 192 && v < 160)
        return Blue;
    return Other;
}
