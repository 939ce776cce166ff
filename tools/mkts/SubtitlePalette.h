#pragma once
// The colour table every subtitle of the tool uses. Codes 0-3 mean the same
// colour in 2-bit and 4-bit regions, so a decoder that looks entries up by
// code alone and one that keeps a table per depth draw alike.
#include <cstdint>
#include <vector>

struct ClutEntry {
    uint8_t id = 0;
    uint8_t depthFlags = 0; // 0x80 2-bit, 0x40 4-bit, 0x20 8-bit
    bool fullRange = true;
    uint8_t y = 16, cr = 128, cb = 128, t = 0; // t: 0 opaque, 255 transparent
};

namespace SubtitlePalette {

constexpr uint8_t TRANSPARENT = 0;
constexpr uint8_t WHITE = 1;
constexpr uint8_t BLACK = 2;
constexpr uint8_t SHADE = 3; // half-transparent dark box behind the text
constexpr uint8_t YELLOW = 4; // 4-bit regions only

// Reduced-range entries keep the top 6 bits of Y, 4 of Cr and Cb, 2 of T;
// the values here survive that unchanged.
std::vector<ClutEntry> Entries();

} // namespace SubtitlePalette
