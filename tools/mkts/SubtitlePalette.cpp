#include "SubtitlePalette.h"

namespace SubtitlePalette {

std::vector<ClutEntry> Entries()
{
    std::vector<ClutEntry> shared {
        { TRANSPARENT, 0, true, 16, 128, 128, 255 },
        { WHITE, 0, true, 235, 128, 128, 0 },
        { BLACK, 0, false, 16, 128, 128, 0 },
        { SHADE, 0, false, 40, 128, 128, 128 },
    };
    std::vector<ClutEntry> entries;
    for (uint8_t depth : { 0x80, 0x40 })
        for (ClutEntry entry : shared) {
            entry.depthFlags = depth;
            entries.push_back(entry);
        }
    entries.push_back({ YELLOW, 0x40, true, 210, 146, 16, 0 });
    return entries;
}

} // namespace SubtitlePalette
