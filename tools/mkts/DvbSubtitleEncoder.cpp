#include "DvbSubtitleEncoder.h"
#include "PixelCodeStrings.h"
#include "SubtitlePalette.h"

#include <stdexcept>

namespace {

enum : uint8_t {
    PAGE_COMPOSITION = 0x10,
    REGION_COMPOSITION = 0x11,
    CLUT_DEFINITION = 0x12,
    OBJECT_DATA = 0x13,
    DISPLAY_DEFINITION = 0x14,
    END_OF_DISPLAY_SET = 0x80,
};
enum : uint8_t { NORMAL_CASE = 0, MODE_CHANGE = 2 };
constexpr uint8_t CLUT_ID = 0;

void Append16(ts::Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

uint8_t DepthCode(int depthBits)
{
    if (depthBits == 2)
        return 1;
    if (depthBits == 4)
        return 2;
    throw std::invalid_argument("subtitle regions are 2-bit or 4-bit");
}

} // namespace

ts::Bytes DvbSubtitleEncoder::ShowPage(const std::vector<SubtitleRegion>& regions, uint8_t timeoutSeconds)
{
    m_version = (m_version + 1) & 0x0F;
    std::vector<ts::Bytes> segments;
    segments.push_back(PageComposition(regions, timeoutSeconds, MODE_CHANGE));
    for (size_t i = 0; i < regions.size(); ++i)
        segments.push_back(RegionComposition(uint8_t(i), regions[i]));
    segments.push_back(ClutDefinition());
    for (size_t i = 0; i < regions.size(); ++i)
        segments.push_back(ObjectData(uint16_t(i), regions[i]));
    return DisplaySet(segments);
}

ts::Bytes DvbSubtitleEncoder::ClearPage()
{
    return DisplaySet({ PageComposition({}, 0, NORMAL_CASE) });
}

void DvbSubtitleEncoder::DefineDisplay(int width, int height, std::optional<SubtitleWindow> window)
{
    if (width < 1 || width > 0x10000 || height < 1 || height > 0x10000)
        throw std::invalid_argument("subtitle display size out of range");
    m_displayWidth = width;
    m_displayHeight = height;
    m_window = window;
    m_displayVersion = (m_displayVersion + 1) & 0x0F;
}

ts::Bytes DvbSubtitleEncoder::DisplaySet(const std::vector<ts::Bytes>& segments) const
{
    ts::Bytes out { 0x20, 0x00 }; // data_identifier, subtitle_stream_id
    // The standard display needs no definition; any other comes first.
    if (m_displayWidth != 720 || m_displayHeight != 576 || m_window) {
        const ts::Bytes definition = DisplayDefinition();
        out.insert(out.end(), definition.begin(), definition.end());
    }
    for (const ts::Bytes& segment : segments)
        out.insert(out.end(), segment.begin(), segment.end());
    AppendSegment(out, END_OF_DISPLAY_SET, {});
    out.push_back(0xFF); // end_of_PES_data_field_marker
    return out;
}

void DvbSubtitleEncoder::AppendSegment(ts::Bytes& out, uint8_t type, const ts::Bytes& body) const
{
    if (body.size() > 0xFFFF)
        throw std::invalid_argument("subtitle segment too long");
    out.push_back(0x0F);
    out.push_back(type);
    Append16(out, m_pageId);
    Append16(out, uint16_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

ts::Bytes DvbSubtitleEncoder::PageComposition(
    const std::vector<SubtitleRegion>& regions, uint8_t timeout, uint8_t state)
{
    ts::Bytes body { timeout, uint8_t(m_pageVersion << 4 | state << 2 | 0x03) };
    for (size_t i = 0; i < regions.size(); ++i) {
        body.push_back(uint8_t(i));
        body.push_back(0xFF);
        Append16(body, uint16_t(regions[i].x));
        Append16(body, uint16_t(regions[i].y));
    }
    ts::Bytes segment;
    AppendSegment(segment, PAGE_COMPOSITION, body);
    m_pageVersion = (m_pageVersion + 1) & 0x0F;
    return segment;
}

ts::Bytes DvbSubtitleEncoder::RegionComposition(uint8_t id, const SubtitleRegion& region) const
{
    uint8_t depth = DepthCode(region.depthBits);
    // The object covers the whole region, so the region is never filled.
    ts::Bytes body { id, uint8_t(m_version << 4 | 0x07) };
    Append16(body, uint16_t(region.bitmap.Width()));
    Append16(body, uint16_t(region.bitmap.Height()));
    body.push_back(uint8_t(depth << 5 | depth << 2 | 0x03));
    body.push_back(CLUT_ID);
    body.push_back(0); // 8-bit background code
    body.push_back(uint8_t(SubtitlePalette::TRANSPARENT << 4 | SubtitlePalette::TRANSPARENT << 2 | 0x03));
    Append16(body, id); // object_id; basic bitmap, from the stream
    Append16(body, 0x0000); // horizontal position 0
    Append16(body, 0xF000); // vertical position 0
    ts::Bytes segment;
    AppendSegment(segment, REGION_COMPOSITION, body);
    return segment;
}

ts::Bytes DvbSubtitleEncoder::ClutDefinition() const
{
    ts::Bytes body { CLUT_ID, uint8_t(m_version << 4 | 0x0F) };
    for (const ClutEntry& entry : SubtitlePalette::Entries()) {
        body.push_back(entry.id);
        body.push_back(uint8_t(entry.depthFlags | 0x1E | (entry.fullRange ? 1 : 0)));
        if (entry.fullRange) {
            body.insert(body.end(), { entry.y, entry.cr, entry.cb, entry.t });
        } else {
            Append16(body, uint16_t((entry.y >> 2) << 10 | (entry.cr >> 4) << 6 | (entry.cb >> 4) << 2 | entry.t >> 6));
        }
    }
    ts::Bytes segment;
    AppendSegment(segment, CLUT_DEFINITION, body);
    return segment;
}

ts::Bytes DvbSubtitleEncoder::PixelData(const SubtitleBitmap& bitmap, int depthBits)
{
    DepthCode(depthBits);
    ts::Bytes fields[2];
    for (int y = 0; y < bitmap.Height(); ++y) {
        ts::Bytes& field = fields[y % 2];
        if (depthBits == 2)
            PixelCodeStrings::AppendTwoBitLine(field, bitmap.Row(y), size_t(bitmap.Width()));
        else
            PixelCodeStrings::AppendFourBitLine(field, bitmap.Row(y), size_t(bitmap.Width()));
        PixelCodeStrings::AppendEndOfLine(field);
    }
    ts::Bytes out;
    Append16(out, uint16_t(fields[0].size()));
    Append16(out, uint16_t(fields[1].size()));
    for (const ts::Bytes& field : fields)
        out.insert(out.end(), field.begin(), field.end());
    return out;
}

ts::Bytes DvbSubtitleEncoder::DisplayDefinition() const
{
    ts::Bytes body { uint8_t(m_displayVersion << 4 | (m_window ? 0x08 : 0) | 0x07) };
    Append16(body, uint16_t(m_displayWidth - 1));
    Append16(body, uint16_t(m_displayHeight - 1));
    if (m_window) {
        for (int edge : { m_window->left, m_window->right, m_window->top, m_window->bottom })
            Append16(body, uint16_t(edge));
    }
    ts::Bytes segment;
    AppendSegment(segment, DISPLAY_DEFINITION, body);
    return segment;
}

ts::Bytes DvbSubtitleEncoder::ObjectData(uint16_t id, const SubtitleRegion& region) const
{
    ts::Bytes body;
    Append16(body, id);
    body.push_back(uint8_t(m_version << 4 | 0x00 << 2 | 0x01)); // pixel coding, colours modifiable
    ts::Bytes pixels = PixelData(region.bitmap, region.depthBits);
    body.insert(body.end(), pixels.begin(), pixels.end());
    if (body.size() % 2)
        body.push_back(0x00); // 8_stuff_bits to the next word
    ts::Bytes segment;
    AppendSegment(segment, OBJECT_DATA, body);
    return segment;
}
