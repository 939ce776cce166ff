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

void CDVBRegionCompositionSegment::MergeFrom(const CDVBRegionCompositionSegment& other)
{
    const uint8_t regionId = m_header.regionId;
    m_header = other.m_header;
    m_header.regionId = regionId;
    for (const CDVBObjectReference& object : other.m_objects) {
        auto same = std::find_if(m_objects.begin(), m_objects.end(),
            [&](const CDVBObjectReference& mine) { return mine.objectId == object.objectId; });
        if (same != m_objects.end())
            *same = object;
        else
            m_objects.push_back(object);
    }
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
