#include "DVBRegionCompositionSegment.h"

#include "DVBCLUTDefinitionSegment.h"
#include "DVBDefaultColourTable.h"
#include "DVBObjectDataSegment.h"
#include "DVBSubtitleDisplaySet.h"
#include "DVBSubtitleDrawTarget.h"

#include <algorithm>

bool CDVBRegionCompositionSegment::ParseBody(CDVBByteReader& reader)
{
    if (reader.GetRemaining() <= 9)
        return false;
    uint8_t versionByte, depthByte, pixelCodes;
    reader.ReadByte(m_header.regionId);
    reader.ReadByte(versionByte);
    reader.ReadWord(m_header.width);
    reader.ReadWord(m_header.height);
    reader.ReadByte(depthByte);
    reader.ReadByte(m_header.clutId);
    reader.ReadByte(m_header.eightBitPixelCode);
    reader.ReadByte(pixelCodes);
    m_header.version = versionByte >> 4;
    m_header.fillFlag = versionByte & 0x08;
    m_header.reserved = versionByte & 0x07;
    m_header.compatibilityLevel = depthByte >> 5;
    m_header.depth = (depthByte >> 2) & 7;
    m_header.reserved2 = depthByte & 3;
    m_header.fourBitPixelCode = pixelCodes >> 4;
    m_header.twoBitPixelCode = (pixelCodes >> 2) & 3;
    m_header.reserved3 = pixelCodes & 3;
    while (reader.GetRemaining() >= 6) {
        if (!ReadObjectReference(reader))
            return false;
    }
    return true;
}

bool CDVBRegionCompositionSegment::ReadObjectReference(CDVBByteReader& reader)
{
    CDVBObjectReference object;
    uint16_t horizontal, vertical;
    reader.ReadWord(object.objectId);
    reader.ReadWord(horizontal);
    reader.ReadWord(vertical);
    object.objectType = horizontal >> 14;
    object.providerFlag = (horizontal >> 12) & 3;
    object.horizontalPosition = horizontal & 0x0FFF;
    object.reserved = vertical >> 12;
    object.verticalPosition = vertical & 0x0FFF;
    if (object.objectType == 1 || object.objectType == 2) {
        if (!reader.ReadByte(object.foregroundPixelCode) || !reader.ReadByte(object.backgroundPixelCode))
            return false;
    }
    m_objects.push_back(object);
    return true;
}

// A region keeps the pixels its objects painted until the stream fills it
// or paints over them: an update's objects are painted last, and an object
// listed again moves to the top.
void CDVBRegionCompositionSegment::MergeFrom(const CDVBRegionCompositionSegment& other)
{
    const uint8_t regionId = m_header.regionId;
    m_header = other.m_header;
    m_header.regionId = regionId;
    if (m_header.fillFlag)
        m_objects.clear();
    std::erase_if(m_objects, [&](const CDVBObjectReference& mine) {
        return std::any_of(other.m_objects.begin(), other.m_objects.end(),
            [&](const CDVBObjectReference& object) { return object.objectId == mine.objectId; });
    });
    m_latestUpdate = m_objects.size();
    m_objects.insert(m_objects.end(), other.m_objects.begin(), other.m_objects.end());
}

// The latest update's objects stay as the stream lists them, even those whose
// data has not come yet. An earlier one only shows the pixels it painted: none
// when its object had none, and none once a later object covers it whole.
void CDVBRegionCompositionSegment::SweepObjects(CDVBSubtitleDisplaySet& pageModel)
{
    std::vector<CDVBObjectReference> kept;
    for (size_t index = 0; index < m_latestUpdate; index++) {
        if (!IsPaintedOver(index, pageModel))
            kept.push_back(m_objects[index]);
    }
    const size_t latestUpdate = kept.size();
    kept.insert(kept.end(), m_objects.begin() + long(m_latestUpdate), m_objects.end());
    m_objects = std::move(kept);
    m_latestUpdate = latestUpdate;
}

bool CDVBRegionCompositionSegment::IsPaintedOver(size_t index, CDVBSubtitleDisplaySet& pageModel) const
{
    const auto objectAt = [&](size_t at) {
        return static_cast<CDVBObjectDataSegment*>(
            pageModel.FindSegment(DVB_SEGMENT_OBJECT_DATA, m_objects[at].objectId));
    };
    const CDVBObjectDataSegment* object = objectAt(index);
    if (!object || object->GetPixels().empty())
        return true;
    const CDVBObjectReference& below = m_objects[index];
    for (size_t later = index + 1; later < m_objects.size(); later++) {
        const CDVBObjectDataSegment* cover = objectAt(later);
        const CDVBObjectReference& above = m_objects[later];
        if (cover && !cover->GetPixels().empty() && above.horizontalPosition <= below.horizontalPosition
            && above.verticalPosition <= below.verticalPosition
            && below.horizontalPosition + object->GetWidth() <= above.horizontalPosition + cover->GetWidth()
            && below.verticalPosition + object->GetHeight() <= above.verticalPosition + cover->GetHeight())
            return true;
    }
    return false;
}

void CDVBRegionCompositionSegment::Draw(CDVBSubtitleDrawTarget& target)
{
    SetUsed(true);
    target.m_region = this;
    auto* table = static_cast<CDVBCLUTDefinitionSegment*>(
        target.m_pageModel->FindSegment(DVB_SEGMENT_CLUT_DEFINITION, m_header.clutId));
    if (table)
        table->SetUsed(true);
    else
        table = FindDefaultColourTable(0);
    target.m_colourTable = table;
    for (const CDVBObjectReference& reference : m_objects) {
        auto* object = static_cast<CDVBObjectDataSegment*>(
            target.m_pageModel->FindSegment(DVB_SEGMENT_OBJECT_DATA, reference.objectId));
        if (object) {
            target.m_objectReference = &reference;
            object->Draw(target);
        }
    }
}
