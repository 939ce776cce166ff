#pragma once
// A colour table: the entries that give pixel codes their colours.
#include "DVBCLUTEntry.h"
#include "DVBSubtitleSegment.h"

#include <array>

class CDVBCLUTDefinitionSegment : public CDVBSubtitleSegment
{
public:
    CDVBCLUTDefinitionSegment()
        : CDVBSubtitleSegment(DVB_SEGMENT_CLUT_DEFINITION)
    {
        m_firstEntry.fill(-1);
    }
    unsigned GetId() const override { return m_clutId; }
    bool ParseBody(CDVBByteReader& reader) override;

    void SetCLUTId(uint8_t id) { m_clutId = id; }
    void AddEntry(const CDVBCLUTEntry& entry);
    // The first entry given for the code, or null: such pixels are not drawn.
    // Looked up for every pixel of every frame, hence the index.
    const CDVBCLUTEntry* FindEntry(uint8_t code) const
    {
        const int at = m_firstEntry[code];
        return at < 0 ? nullptr : &m_entries[size_t(at)];
    }
    size_t GetEntryCount() const { return m_entries.size(); }

private:
    uint8_t m_clutId = 0;
    uint8_t m_version = 0;
    std::vector<CDVBCLUTEntry> m_entries;
    std::array<int, 256> m_firstEntry;
};
