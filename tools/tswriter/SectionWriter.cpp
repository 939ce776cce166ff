#include "tswriter/SectionWriter.h"
#include "tswriter/Crc32Mpeg2.h"

#include <algorithm>
#include <stdexcept>

namespace ts {

namespace {

constexpr size_t MAX_SECTION_LENGTH = 4093;

void AppendCrc(Bytes& section)
{
    uint32_t crc = Crc32Mpeg2(section.data(), section.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(uint8_t(crc >> shift));
}

void SetSectionLength(Bytes& section)
{
    size_t length = section.size() - 3;
    if (length > MAX_SECTION_LENGTH)
        throw std::invalid_argument("section_length beyond 4093");
    section[1] |= uint8_t(length >> 8);
    section[2] = uint8_t(length);
}

} // namespace

Bytes SectionWriter::BuildLong(const LongSectionHeader& header, const Bytes& body)
{
    Bytes section { header.tableId, uint8_t(0x80 | (header.privateIndicator ? 0x40 : 0) | 0x30), 0,
        uint8_t(header.tableIdExtension >> 8), uint8_t(header.tableIdExtension),
        uint8_t(0xC0 | (header.version & 0x1F) << 1 | (header.currentNext ? 1 : 0)), header.sectionNumber,
        header.lastSectionNumber };
    section.insert(section.end(), body.begin(), body.end());
    section.resize(section.size() + 4); // counted in section_length before the CRC covers it
    SetSectionLength(section);
    section.resize(section.size() - 4);
    AppendCrc(section);
    return section;
}

Bytes SectionWriter::BuildShort(uint8_t tableId, const Bytes& body, bool withCrc, bool privateIndicator)
{
    Bytes section { tableId, uint8_t((privateIndicator ? 0x40 : 0) | 0x30), 0 };
    section.insert(section.end(), body.begin(), body.end());
    section.resize(section.size() + (withCrc ? 4 : 0));
    SetSectionLength(section);
    if (withCrc) {
        section.resize(section.size() - 4);
        AppendCrc(section);
    }
    return section;
}

void SectionWriter::Write(const Bytes& section)
{
    WritePacked({ section });
}

void SectionWriter::WritePacked(const std::vector<Bytes>& sections)
{
    // Offsets at which a section starts in the concatenation.
    Bytes data;
    std::vector<size_t> starts;
    for (const Bytes& section : sections) {
        starts.push_back(data.size());
        data.insert(data.end(), section.begin(), section.end());
    }
    size_t offset = 0;
    auto nextStart = starts.begin();
    while (offset < data.size()) {
        PacketHeader header;
        header.pid = m_pid;
        Bytes payload;
        // A section start within reach of this packet needs the pointer field,
        // which takes one byte of the payload.
        if (nextStart != starts.end() && *nextStart - offset < TsPacketWriter::PayloadCapacity(nullptr) - 1) {
            header.payloadUnitStart = true;
            payload.push_back(uint8_t(*nextStart - offset));
            while (nextStart != starts.end() && *nextStart - offset < TsPacketWriter::PayloadCapacity(nullptr) - 1)
                ++nextStart;
        }
        size_t room = TsPacketWriter::PayloadCapacity(nullptr) - payload.size();
        size_t size = std::min(room, data.size() - offset);
        payload.insert(payload.end(), data.begin() + offset, data.begin() + offset + size);
        offset += size;
        // A section may not start without a pointer to it: when the next one
        // would begin in the last byte of a packet without one, stuff instead.
        if (nextStart != starts.end() && offset > *nextStart) {
            offset = *nextStart;
            payload.resize(payload.size() - 1);
        }
        payload.resize(TsPacketWriter::PayloadCapacity(nullptr), 0xFF);
        m_out.WritePacket(header, payload);
    }
}

} // namespace ts
