#pragma once
// One segment of a subtitle display set: the common header and a copy of the
// body. Types the plug-in draws with derive from it; every other type (the
// end of display set among them) is kept as this base.
#include "DVBByteReader.h"

#include <vector>

class CDVBSubtitleDrawTarget;

enum : uint8_t {
    DVB_SEGMENT_PAGE_COMPOSITION = 0x10,
    DVB_SEGMENT_REGION_COMPOSITION = 0x11,
    DVB_SEGMENT_CLUT_DEFINITION = 0x12,
    DVB_SEGMENT_OBJECT_DATA = 0x13,
    DVB_SEGMENT_DISPLAY_DEFINITION = 0x14,
};

class CDVBSubtitleSegment
{
public:
    explicit CDVBSubtitleSegment(uint8_t type)
        : m_type(type)
    {
    }
    CDVBSubtitleSegment(const CDVBSubtitleSegment&) = delete;
    CDVBSubtitleSegment& operator=(const CDVBSubtitleSegment&) = delete;

    virtual ~CDVBSubtitleSegment() = default;
    // The key under which the page model keeps one segment of each type.
    virtual unsigned GetId() const { return 0; }
    // Reads page id, length and body, then parses the body; false when the
    // reader runs out first or the body does not parse.
    bool Read(CDVBByteReader& reader);
    virtual bool ParseBody(CDVBByteReader&) { return true; }
    virtual void Draw(CDVBSubtitleDrawTarget&) { }

    uint8_t GetType() const { return m_type; }
    uint16_t GetPageId() const { return m_pageId; }
    uint16_t GetLength() const { return m_length; }
    // Set while a drawing pass reaches the segment; the sweep after a change
    // of page removes what it did not reach.
    bool IsUsed() const { return m_used; }
    void SetUsed(bool used) { m_used = used; }

private:
    bool m_used = false;
    uint8_t m_type;
    uint16_t m_pageId = 0;
    uint16_t m_length = 0;
    std::vector<unsigned char> m_body;
};
