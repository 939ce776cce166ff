#pragma once
// Builds PSI/SI sections with their CRC and carries them in transport
// packets of one PID with pointer fields.
#include "tswriter/TsPacketWriter.h"

namespace ts {

struct LongSectionHeader {
    uint8_t tableId = 0;
    uint16_t tableIdExtension = 0;
    uint8_t version = 0;
    bool currentNext = true;
    uint8_t sectionNumber = 0;
    uint8_t lastSectionNumber = 0;
    // The bit after section_syntax_indicator: '0' in PAT/PMT, reserved_future_use
    // (1) in the DVB tables.
    bool privateIndicator = false;
};

class SectionWriter
{
public:
    SectionWriter(TsPacketWriter& out, uint16_t pid)
        : m_out(out)
        , m_pid(pid)
    {
    }

    // A long-form section: header, body, CRC_32.
    static Bytes BuildLong(const LongSectionHeader& header, const Bytes& body);
    // A short-form section (section_syntax_indicator 0); the TOT carries a CRC
    // all the same, the TDT does not.
    static Bytes BuildShort(uint8_t tableId, const Bytes& body, bool withCrc, bool privateIndicator = true);

    // One section starting in a fresh packet; the last packet is filled with 0xFF.
    void Write(const Bytes& section);
    // Sections back to back: a section starts right after the previous one
    // ends, so one packet may carry the tail of one section and the start of
    // others; stuffing only after the last.
    void WritePacked(const std::vector<Bytes>& sections);

    uint16_t Pid() const { return m_pid; }

private:
    TsPacketWriter& m_out;
    uint16_t m_pid;
};

} // namespace ts
