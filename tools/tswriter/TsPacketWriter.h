#pragma once
// Writes 188-byte transport packets into a growing byte stream and keeps the
// continuity counter of every PID.
#include "tswriter/TsTypes.h"

#include <array>

namespace ts {

class TsPacketWriter
{
public:
    // Appends one packet. A payload shorter than the room left by the
    // adaptation field is padded with adaptation-field stuffing; a longer one
    // throws std::invalid_argument. The continuity counter advances only on
    // packets that carry a payload (one without repeats the last value); an
    // explicit counter in the header is written and the PID's count continues
    // from it.
    void WritePacket(
        const PacketHeader& header, const uint8_t* payload, size_t size, const AdaptationField* field = nullptr);
    void WritePacket(const PacketHeader& header, const Bytes& payload, const AdaptationField* field = nullptr)
    {
        WritePacket(header, payload.data(), payload.size(), field);
    }
    // A packet of PID 0x1FFF filled with 0xFF.
    void WriteNullPacket();

    // Payload bytes one packet can carry next to the given adaptation field.
    static size_t PayloadCapacity(const AdaptationField* field);
    // Bytes the adaptation field takes at least, its length byte included.
    static size_t AdaptationFieldSize(const AdaptationField& field);

    const Bytes& Data() const { return m_data; }
    // Hands the bytes written so far to the caller and starts empty.
    Bytes TakeData();
    size_t PacketCount() const { return m_packets; }

private:
    uint8_t NextContinuityCounter(const PacketHeader& header, bool hasPayload);
    void WriteAdaptationField(const AdaptationField& field, size_t size);

    Bytes m_data;
    size_t m_packets = 0;
    std::array<uint8_t, 8192> m_next {};
};

} // namespace ts
