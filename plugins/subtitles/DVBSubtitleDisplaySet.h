#pragma once
// The segments one subtitle PES packet carries, with its time stamps. The
// subtitle layer keeps one more as its page model, merging each applied
// display set into it.
#include "DVBDisplayDefinitionSegment.h"
#include "DVBObjectDataSegment.h"

#include <list>
#include <memory>

// Time-stamp flags: the PES time stamps' bits, and the receipt clock's.
enum : uint32_t { DVB_SUBTITLE_RECEIPT_CLOCK = 8 };

// The pixel bytes the objects of one display set may keep between them: two
// objects the size of its display, of an HD display at most.
constexpr size_t DVB_SUBTITLE_MAX_BUDGET_AREA = size_t(1920) * 1080;

class CDVBSubtitleDisplaySet
{
public:
    using Segments = std::list<std::unique_ptr<CDVBSubtitleSegment>>;

    // Reads the data identifier, the stream id and the segments up to the
    // first byte that is not a sync byte; false when any of them is cut short.
    bool Parse(CDVBByteReader& reader);

    // Merges the segments of set into this page model, leaving set empty, and
    // takes its display definition; false when set held none. Regions forget
    // the objects of earlier updates that can no longer show.
    bool Merge(CDVBSubtitleDisplaySet& set);
    void ClearUsedMarks();
    // Destroys the segments the last drawing pass did not reach, except
    // colour tables, which stay until one with the same id replaces them.
    void Sweep();

    CDVBSubtitleSegment* FindSegment(uint8_t type, unsigned id);
    CDVBSubtitleSegment* FindFirstSegment(uint8_t type) const;
    const Segments& GetSegments() const { return m_segments; }
    // The last display definition the set held, else a 720 x 576 display.
    const CDVBDisplayDefinition& GetDisplayDefinition() const { return m_display; }

    uint8_t m_dataIdentifier = 0;
    uint8_t m_streamId = 0;
    uint32_t m_timeStampFlags = 0;
    int64_t m_pts = 0;
    int64_t m_dts = 0;
    int64_t m_receiptClock = 0;

private:
    std::unique_ptr<CDVBSubtitleSegment> CreateSegment(uint8_t type);
    Segments::iterator Find(uint8_t type, unsigned id);
    void ChargePixels(CDVBObjectDataSegment& object);

    Segments m_segments;
    CDVBDisplayDefinition m_display;
    size_t m_pixelBytesUsed = 0;
};
