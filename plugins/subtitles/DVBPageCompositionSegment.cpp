#include "DVBPageCompositionSegment.h"

#include "DVBRegionCompositionSegment.h"
#include "DVBSubtitleDisplaySet.h"
#include "DVBSubtitleDrawTarget.h"

bool CDVBPageCompositionSegment::ParseBody(CDVBByteReader& reader)
{
    uint8_t state = 0;
    reader.ReadByte(m_timeOut);
    reader.ReadByte(state);
    m_version = state >> 4;
    m_pageState = (state >> 2) & 3;
    m_reserved = state & 3;
    CDVBRegionReference region;
    while (reader.GetRemaining() > 5) {
        reader.ReadByte(region.regionId);
        reader.ReadByte(region.reserved);
        reader.ReadWord(region.horizontalAddress);
        reader.ReadWord(region.verticalAddress);
        m_regions.push_back(region);
    }
    return true;
}

void CDVBPageCompositionSegment::Draw(CDVBSubtitleDrawTarget& target)
{
    SetUsed(true);
    target.m_page = this;
    for (const CDVBRegionReference& reference : m_regions) {
        auto* region = static_cast<CDVBRegionCompositionSegment*>(
            target.m_pageModel->FindSegment(DVB_SEGMENT_REGION_COMPOSITION, reference.regionId));
        if (region) {
            target.m_regionReference = &reference;
            region->Draw(target);
        }
    }
}
