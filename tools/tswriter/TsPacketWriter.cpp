#include "tswriter/TsPacketWriter.h"

#include <stdexcept>

namespace ts {

size_t TsPacketWriter::AdaptationFieldSize(const AdaptationField& field)
{
    bool empty = !field.discontinuity && !field.randomAccess && !field.esPriority && !field.pcr && field.stuffing == 0;
    if (empty)
        return 1;
    return 2 + (field.pcr ? 6 : 0) + field.stuffing;
}

size_t TsPacketWriter::PayloadCapacity(const AdaptationField* field)
{
    return PACKET_SIZE - 4 - (field ? AdaptationFieldSize(*field) : 0);
}

void TsPacketWriter::WritePacket(
    const PacketHeader& header, const uint8_t* payload, size_t size, const AdaptationField* field)
{
    if (size > PayloadCapacity(field))
        throw std::invalid_argument("payload does not fit in one transport packet");
    if (header.pid > NULL_PID)
        throw std::invalid_argument("PID beyond 13 bits");

    // Short payloads are padded by the adaptation field, made for the purpose if need be.
    size_t fieldSize = PACKET_SIZE - 4 - size;
    bool hasField = field || fieldSize > 0;
    bool hasPayload = size > 0;
    uint8_t control = header.adaptationFieldControl.value_or(uint8_t((hasField ? 2 : 0) | (hasPayload ? 1 : 0)));

    m_data.push_back(0x47);
    m_data.push_back(uint8_t((header.transportError ? 0x80 : 0) | (header.payloadUnitStart ? 0x40 : 0)
        | (header.transportPriority ? 0x20 : 0) | (header.pid >> 8)));
    m_data.push_back(uint8_t(header.pid));
    m_data.push_back(
        uint8_t((header.scrambling & 3) << 6 | (control & 3) << 4 | NextContinuityCounter(header, hasPayload)));
    if (hasField)
        WriteAdaptationField(field ? *field : AdaptationField {}, fieldSize);
    m_data.insert(m_data.end(), payload, payload + size);
    ++m_packets;
}

void TsPacketWriter::WriteNullPacket()
{
    PacketHeader header;
    header.pid = NULL_PID;
    header.continuityCounter = 0;
    Bytes stuffing(PayloadCapacity(nullptr), 0xFF);
    WritePacket(header, stuffing);
}

Bytes TsPacketWriter::TakeData()
{
    Bytes data;
    data.swap(m_data);
    return data;
}

uint8_t TsPacketWriter::NextContinuityCounter(const PacketHeader& header, bool hasPayload)
{
    uint8_t& next = m_next[header.pid];
    // A packet without payload repeats the counter of the packet before it.
    uint8_t counter = header.continuityCounter ? *header.continuityCounter : hasPayload ? next : uint8_t(next - 1);
    counter &= 0x0F;
    next = uint8_t((counter + 1) & 0x0F);
    return counter;
}

void TsPacketWriter::WriteAdaptationField(const AdaptationField& field, size_t size)
{
    m_data.push_back(uint8_t(size - 1));
    if (size == 1)
        return;
    size_t start = m_data.size();
    m_data.push_back(uint8_t((field.discontinuity ? 0x80 : 0) | (field.randomAccess ? 0x40 : 0)
        | (field.esPriority ? 0x20 : 0) | (field.pcr ? 0x10 : 0)));
    if (field.pcr) {
        uint64_t base = field.pcr->base & 0x1FFFFFFFFull;
        uint16_t extension = field.pcr->extension & 0x1FF;
        m_data.push_back(uint8_t(base >> 25));
        m_data.push_back(uint8_t(base >> 17));
        m_data.push_back(uint8_t(base >> 9));
        m_data.push_back(uint8_t(base >> 1));
        m_data.push_back(uint8_t((base & 1) << 7 | 0x7E | extension >> 8));
        m_data.push_back(uint8_t(extension));
    }
    m_data.insert(m_data.end(), size - 1 - (m_data.size() - start), 0xFF);
}

} // namespace ts
