#include "tswriter/PesWriter.h"

#include <algorithm>
#include <stdexcept>

namespace ts {

namespace {

// Stream ids whose PES carries no optional header (ISO/IEC 13818-1 2.4.3.6).
bool HasOptionalHeader(uint8_t streamId)
{
    switch (streamId) {
    case 0xBC: // program_stream_map
    case 0xBE: // padding_stream
    case 0xBF: // private_stream_2
    case 0xF0: // ECM
    case 0xF1: // EMM
    case 0xF2: // DSMCC
    case 0xF8: // H.222.1 type E
    case 0xFF: // program_stream_directory
        return false;
    default:
        return true;
    }
}

} // namespace

void PesWriter::AppendTimeStamp(Bytes& out, uint8_t prefix, int64_t value)
{
    uint64_t v = uint64_t(value) & 0x1FFFFFFFFull;
    out.push_back(uint8_t(prefix << 4 | (v >> 29 & 0x0E) | 1));
    out.push_back(uint8_t(v >> 22));
    out.push_back(uint8_t((v >> 14 & 0xFE) | 1));
    out.push_back(uint8_t(v >> 7));
    out.push_back(uint8_t((v << 1 & 0xFE) | 1));
}

Bytes PesWriter::Build(const PesPacket& pes)
{
    if (pes.dts && !pes.pts)
        throw std::invalid_argument("a DTS needs a PTS");
    Bytes header;
    if (HasOptionalHeader(pes.streamId)) {
        uint8_t flags = pes.pts ? (pes.dts ? 0xC0 : 0x80) : 0x00;
        header.push_back(uint8_t(0x80 | (pes.dataAlignment ? 0x04 : 0)));
        header.push_back(flags);
        const uint8_t stamps = pes.pts ? (pes.dts ? 10 : 5) : 0;
        header.push_back(std::max(stamps, pes.headerDataLength));
        if (pes.pts)
            AppendTimeStamp(header, pes.dts ? 0x3 : 0x2, *pes.pts);
        if (pes.dts)
            AppendTimeStamp(header, 0x1, *pes.dts);
        header.resize(3 + size_t(header[2]), 0xFF);
    }
    size_t length = header.size() + pes.data.size();
    if (!pes.unboundedLength && length > 0xFFFF)
        throw std::invalid_argument("PES longer than PES_packet_length can say");

    Bytes out { 0x00, 0x00, 0x01, pes.streamId };
    uint16_t field = pes.unboundedLength ? 0 : uint16_t(length);
    out.push_back(uint8_t(field >> 8));
    out.push_back(uint8_t(field));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pes.data.begin(), pes.data.end());
    return out;
}

void PesWriter::Start(const PesPacket& pes)
{
    if (HasPending())
        throw std::logic_error("previous PES not yet written");
    m_pending = Build(pes);
    m_offset = 0;
}

void PesWriter::WriteNextPacket(const AdaptationField* field)
{
    if (!HasPending())
        throw std::logic_error("no PES queued");
    PacketHeader header;
    header.pid = m_pid;
    header.payloadUnitStart = m_offset == 0;
    size_t size = std::min(TsPacketWriter::PayloadCapacity(field), m_pending.size() - m_offset);
    m_out.WritePacket(header, m_pending.data() + m_offset, size, field);
    m_offset += size;
}

void PesWriter::Write(const PesPacket& pes, const AdaptationField* firstPacketField)
{
    Start(pes);
    WriteNextPacket(firstPacketField);
    while (HasPending())
        WriteNextPacket();
}

} // namespace ts
