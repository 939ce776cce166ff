#pragma once
// Counts the pictures a display presents by the service they come from. Each
// picture of the zapping multiplex (data/zap/) carries its service's colour in
// a box at its top right: red for "Zap Red", blue for "Zap Blue". Blank
// pictures and any other picture count as Other.
#include "plugin/DVBDisplayLayer.h"

#include <array>
#include <atomic>

class ZapColourLayer : public CDVBDisplayLayer
{
public:
    enum Colour { Red, Blue, Other, Colours };

    // On the display's frame thread, just before the picture is presented.
    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time) override;
    uint64_t GetCount(Colour colour) const { return m_counts[colour]; }

    static Colour ColourOf(int width, int height, int pitch, const unsigned char* U, const unsigned char* V);

private:
    std::array<std::atomic<uint64_t>, Colours> m_counts {};
};
