#pragma once
// Writes DVB subtitle display sets (ETSI EN 300 743) as the PES payloads of
// private_stream_1: page composition, region compositions, one CLUT
// definition and one object per region, coded as 2-bit or 4-bit pixel
// strings by the region's depth; for displays other than 720 x 576, a display
// definition first.
#include "SubtitleBitmap.h"
#include "tswriter/TsTypes.h"

#include <optional>
#include <vector>

struct SubtitleRegion {
    int x = 0;
    int y = 0;
    int depthBits = 4; // 2 or 4
    SubtitleBitmap bitmap;
};

// The part of the display subtitles are drawn in; its first and last pixels.
struct SubtitleWindow {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

class DvbSubtitleEncoder
{
public:
    explicit DvbSubtitleEncoder(uint16_t pageId)
        : m_pageId(pageId)
    {
    }

    // A new page (page state "mode change") showing the regions until the
    // time-out or the next display set.
    ts::Bytes ShowPage(const std::vector<SubtitleRegion>& regions, uint8_t timeoutSeconds);
    // A page without regions: whatever was shown disappears.
    ts::Bytes ClearPage();
    // Every display set from now on is for a display of this size (an HD
    // one, say), with region positions counted from the window's corner.
    void DefineDisplay(int width, int height, std::optional<SubtitleWindow> window = std::nullopt);

    // The object's pixel data: even rows in the top field, odd rows in the bottom.
    static ts::Bytes PixelData(const SubtitleBitmap& bitmap, int depthBits);

private:
    void AppendSegment(ts::Bytes& out, uint8_t type, const ts::Bytes& body) const;
    ts::Bytes PageComposition(const std::vector<SubtitleRegion>& regions, uint8_t timeout, uint8_t state);
    ts::Bytes RegionComposition(uint8_t id, const SubtitleRegion& region) const;
    ts::Bytes ClutDefinition() const;
    ts::Bytes ObjectData(uint16_t id, const SubtitleRegion& region) const;
    ts::Bytes DisplayDefinition() const;
    ts::Bytes DisplaySet(const std::vector<ts::Bytes>& segments) const;

    uint16_t m_pageId;
    uint8_t m_pageVersion = 0;
    uint8_t m_version = 0; // of the regions, CLUT and objects of the current page
    int m_displayWidth = 720;
    int m_displayHeight = 576;
    std::optional<SubtitleWindow> m_window;
    uint8_t m_displayVersion = 0;
};
