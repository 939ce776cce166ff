#pragma once
// Which regions a page shows and where.
#include "DVBSubtitleSegment.h"

struct CDVBRegionReference {
    uint8_t regionId = 0;
    uint8_t reserved = 0;
    uint16_t horizontalAddress = 0;
    uint16_t verticalAddress = 0;
};

enum : uint8_t {
    DVB_PAGE_STATE_NORMAL = 0,
    DVB_PAGE_STATE_ACQUISITION_POINT = 1,
    DVB_PAGE_STATE_MODE_CHANGE = 2,
};

class CDVBPageCompositionSegment : public CDVBSubtitleSegment
{
public:
    CDVBPageCompositionSegment()
        : CDVBSubtitleSegment(DVB_SEGMENT_PAGE_COMPOSITION)
    {
    }
    unsigned GetId() const override { return GetPageId(); }
    bool ParseBody(CDVBByteReader& reader) override;
    void Draw(CDVBSubtitleDrawTarget& target) override;

    uint8_t GetPageState() const { return m_pageState; }
    const std::vector<CDVBRegionReference>& GetRegions() const { return m_regions; }

private:
    uint8_t m_timeOut = 0;
    uint8_t m_version = 0;
    uint8_t m_pageState = DVB_PAGE_STATE_NORMAL;
    uint8_t m_reserved = 0;
    std::vector<CDVBRegionReference> m_regions;
};
