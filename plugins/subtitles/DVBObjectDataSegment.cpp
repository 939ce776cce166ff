#include "DVBObjectDataSegment.h"

#include "DVBCLUTDefinitionSegment.h"
#include "DVBPageCompositionSegment.h"
#include "DVBRegionCompositionSegment.h"
#include "DVBSubtitleDrawTarget.h"

#include <algorithm>

bool CDVBObjectDataSegment::ParseBody(CDVBByteReader& reader)
{
    uint8_t coding = 0;
    reader.ReadWord(m_objectId);
    reader.ReadByte(coding);
    m_version = coding >> 4;
    m_codingMethod = (coding >> 2) & 3;
    m_nonModifyingColour = coding & 2;
    m_reserved = coding & 1;
    // Character-coded objects are kept without pixels and draw nothing.
    if (m_codingMethod != 0)
        return true;
    uint16_t topLength = 0, bottomLength = 0;
    reader.ReadWord(topLength);
    reader.ReadWord(bottomLength);
    CDVBPixelDataDecoder decoder(m_displayWidth, m_displayHeight);
    decoder.Decode(reader, topLength, bottomLength);
    m_width = decoder.GetWidth();
    m_height = decoder.GetHeight();
    m_pixels = decoder.CopyPixels();
    return true;
}

void CDVBObjectDataSegment::Draw(CDVBSubtitleDrawTarget& target)
{
    SetUsed(true);
    const CDVBCLUTDefinitionSegment* table = target.m_colourTable;
    if (!table || m_pixels.empty())
        return;
    // Taken wider than the 16-bit coordinates so that an object placed far
    // off the frame is dropped rather than wrapped round to its left edge.
    const int baseX = target.m_regionReference->horizontalAddress + target.m_objectReference->horizontalPosition;
    const int baseY = target.m_regionReference->verticalAddress + target.m_objectReference->verticalPosition;
    const int width = std::min<int>(m_width, 0x10000 - baseX);
    const int height = std::min<int>(m_height, 0x10000 - baseY);
    for (int column = 0; column < width; ++column) {
        for (int row = 0; row < height; ++row) {
            const CDVBCLUTEntry* entry = table->FindEntry(m_pixels[size_t(row) * m_width + column]);
            if (entry)
                target.SetPixel(uint16_t(baseX + column), uint16_t(baseY + row), *entry);
        }
    }
}
