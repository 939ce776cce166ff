#pragma once
// The pixels of one object, decoded once when the segment is parsed.
#include "DVBPixelDataDecoder.h"
#include "DVBSubtitleSegment.h"

class CDVBObjectDataSegment : public CDVBSubtitleSegment
{
public:
    CDVBObjectDataSegment()
        : CDVBSubtitleSegment(DVB_SEGMENT_OBJECT_DATA)
    {
    }
    unsigned GetId() const override { return m_objectId; }
    // The display the object is meant for bounds its pixels; set before Read.
    void SetDisplaySize(int width, int height)
    {
        m_displayWidth = width;
        m_displayHeight = height;
    }
    bool ParseBody(CDVBByteReader& reader) override;
    void Draw(CDVBSubtitleDrawTarget& target) override;

    uint16_t GetWidth() const { return m_width; }
    uint16_t GetHeight() const { return m_height; }
    // Row-major codes, width x height; empty when the object has no pixels.
    const std::vector<uint8_t>& GetPixels() const { return m_pixels; }
    void DropPixels() { m_pixels = {}; }

private:
    uint16_t m_objectId = 0;
    uint8_t m_version = 0;
    uint8_t m_codingMethod = 0;
    bool m_nonModifyingColour = false;
    bool m_reserved = false;
    std::vector<uint8_t> m_pixels;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    int m_displayWidth = DVB_SUBTITLE_WIDTH;
    int m_displayHeight = DVB_SUBTITLE_HEIGHT;
};
