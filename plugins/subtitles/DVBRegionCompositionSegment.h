#pragma once
// A region of a page: its colour table and the objects placed in it.
#include "DVBSubtitleSegment.h"

class CDVBSubtitleDisplaySet;

struct CDVBObjectReference {
    uint16_t objectId = 0;
    uint8_t objectType = 0;
    uint8_t providerFlag = 0;
    uint16_t horizontalPosition = 0;
    uint8_t reserved = 0;
    uint16_t verticalPosition = 0;
    // Only character objects (types 1 and 2) carry them.
    uint8_t foregroundPixelCode = 0;
    uint8_t backgroundPixelCode = 0;
};

class CDVBRegionCompositionSegment : public CDVBSubtitleSegment
{
public:
    CDVBRegionCompositionSegment()
        : CDVBSubtitleSegment(DVB_SEGMENT_REGION_COMPOSITION)
    {
    }
    unsigned GetId() const override { return m_header.regionId; }
    bool ParseBody(CDVBByteReader& reader) override;
    void Draw(CDVBSubtitleDrawTarget& target) override;

    // A normal-case update of this region: the other's header replaces this
    // one's, and its objects are painted over what the region shows, or, when
    // it fills the region, in place of it.
    void MergeFrom(const CDVBRegionCompositionSegment& other);
    // Forgets what earlier updates placed that can no longer show.
    void SweepObjects(CDVBSubtitleDisplaySet& pageModel);

    uint8_t GetCLUTId() const { return m_header.clutId; }
    const std::vector<CDVBObjectReference>& GetObjects() const { return m_objects; }

private:
    struct Header {
        uint8_t regionId = 0;
        uint8_t version = 0;
        bool fillFlag = false;
        uint8_t reserved = 0;
        uint16_t width = 0;
        uint16_t height = 0;
        uint8_t compatibilityLevel = 0;
        uint8_t depth = 0;
        uint8_t reserved2 = 0;
        uint8_t clutId = 0;
        uint8_t eightBitPixelCode = 0;
        uint8_t fourBitPixelCode = 0;
        uint8_t twoBitPixelCode = 0;
        uint8_t reserved3 = 0;
    };

    bool ReadObjectReference(CDVBByteReader& reader);
    bool IsPaintedOver(size_t index, CDVBSubtitleDisplaySet& pageModel) const;

    Header m_header;
    // In painting order; those from the latest update last.
    std::vector<CDVBObjectReference> m_objects;
    size_t m_latestUpdate = 0;
};
