#include "DVBSubtitleDisplaySet.h"

#include "DVBCLUTDefinitionSegment.h"
#include "DVBPageCompositionSegment.h"
#include "DVBRegionCompositionSegment.h"

#include <algorithm>

namespace {
constexpr uint8_t SYNC_BYTE = 0x0F;
}

bool CDVBSubtitleDisplaySet::Parse(CDVBByteReader& reader)
{
    uint8_t sync;
    if (!reader.ReadByte(m_dataIdentifier) || !reader.ReadByte(m_streamId) || !reader.ReadByte(sync))
        return false;
    while (sync == SYNC_BYTE) {
        uint8_t type;
        if (!reader.ReadByte(type))
            return false;
        CDVBSubtitleSegment* segment = m_segments.emplace_back(CreateSegment(type)).get();
        // Objects decode into the display defined before them.
        if (type == DVB_SEGMENT_OBJECT_DATA)
            static_cast<CDVBObjectDataSegment&>(*segment).SetDisplaySize(m_display.width, m_display.height);
        if (!segment->Read(reader) || !reader.ReadByte(sync))
            return false;
        if (type == DVB_SEGMENT_OBJECT_DATA)
            ChargePixels(static_cast<CDVBObjectDataSegment&>(*segment));
        else if (type == DVB_SEGMENT_DISPLAY_DEFINITION)
            m_display = static_cast<CDVBDisplayDefinitionSegment&>(*segment).GetDefinition();
    }
    return true;
}

// A few hundred bytes of pixel codes can describe a whole frame, so without a
// bound one PES packet could ask for tens of megabytes. Objects past the
// budget are kept without pixels, as if their allocation had failed.
void CDVBSubtitleDisplaySet::ChargePixels(CDVBObjectDataSegment& object)
{
    const size_t area = std::min(size_t(m_display.width) * size_t(m_display.height), DVB_SUBTITLE_MAX_BUDGET_AREA);
    const size_t size = object.GetPixels().size();
    if (m_pixelBytesUsed + size > 2 * area)
        object.DropPixels();
    else
        m_pixelBytesUsed += size;
}

std::unique_ptr<CDVBSubtitleSegment> CDVBSubtitleDisplaySet::CreateSegment(uint8_t type)
{
    switch (type) {
    case DVB_SEGMENT_PAGE_COMPOSITION:
        return std::make_unique<CDVBPageCompositionSegment>();
    case DVB_SEGMENT_REGION_COMPOSITION:
        return std::make_unique<CDVBRegionCompositionSegment>();
    case DVB_SEGMENT_CLUT_DEFINITION:
        return std::make_unique<CDVBCLUTDefinitionSegment>();
    case DVB_SEGMENT_OBJECT_DATA:
        return std::make_unique<CDVBObjectDataSegment>();
    case DVB_SEGMENT_DISPLAY_DEFINITION:
        return std::make_unique<CDVBDisplayDefinitionSegment>();
    default:
        return std::make_unique<CDVBSubtitleSegment>(type);
    }
}

bool CDVBSubtitleDisplaySet::Merge(CDVBSubtitleDisplaySet& set)
{
    if (set.m_segments.empty())
        return false;
    auto* page = static_cast<CDVBPageCompositionSegment*>(set.FindFirstSegment(DVB_SEGMENT_PAGE_COMPOSITION));
    const uint8_t state = page ? page->GetPageState() : uint8_t(DVB_PAGE_STATE_NORMAL);
    const bool replaceRegions = state == DVB_PAGE_STATE_ACQUISITION_POINT || state == DVB_PAGE_STATE_MODE_CHANGE;
    for (auto& segment : set.m_segments) {
        auto match = Find(segment->GetType(), segment->GetId());
        if (match == m_segments.end())
            m_segments.push_back(std::move(segment));
        else if (segment->GetType() == DVB_SEGMENT_REGION_COMPOSITION && !replaceRegions)
            static_cast<CDVBRegionCompositionSegment&>(**match).MergeFrom(
                static_cast<CDVBRegionCompositionSegment&>(*segment));
        else
            *match = std::move(segment);
    }
    set.m_segments.clear();
    m_display = set.m_display;
    for (auto& segment : m_segments) {
        if (segment->GetType() == DVB_SEGMENT_REGION_COMPOSITION)
            static_cast<CDVBRegionCompositionSegment&>(*segment).SweepObjects(*this);
    }
    return true;
}

void CDVBSubtitleDisplaySet::ClearUsedMarks()
{
    for (auto& segment : m_segments)
        segment->SetUsed(false);
}

void CDVBSubtitleDisplaySet::Sweep()
{
    m_segments.remove_if([](const std::unique_ptr<CDVBSubtitleSegment>& segment) {
        return !segment->IsUsed() && segment->GetType() != DVB_SEGMENT_CLUT_DEFINITION;
    });
}

CDVBSubtitleDisplaySet::Segments::iterator CDVBSubtitleDisplaySet::Find(uint8_t type, unsigned id)
{
    for (auto at = m_segments.begin(); at != m_segments.end(); ++at)
        if ((*at)->GetType() == type && (*at)->GetId() == id)
            return at;
    return m_segments.end();
}

CDVBSubtitleSegment* CDVBSubtitleDisplaySet::FindSegment(uint8_t type, unsigned id)
{
    auto at = Find(type, id);
    return at == m_segments.end() ? nullptr : at->get();
}

CDVBSubtitleSegment* CDVBSubtitleDisplaySet::FindFirstSegment(uint8_t type) const
{
    for (const auto& segment : m_segments)
        if (segment->GetType() == type)
            return segment.get();
    return nullptr;
}
