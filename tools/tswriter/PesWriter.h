#pragma once
// Builds PES packets and spreads them over transport packets of one PID,
// either all at once or one transport packet at a time so that a multiplexer
// can interleave PIDs.
#include "tswriter/TsPacketWriter.h"

#include <optional>

namespace ts {

struct PesPacket {
    PesPacket() = default;
    PesPacket(uint8_t streamId, std::optional<int64_t> pts, std::optional<int64_t> dts, Bytes data)
        : streamId(streamId)
        , pts(pts)
        , dts(dts)
        , data(std::move(data))
    {
    }

    uint8_t streamId = 0xE0;
    std::optional<int64_t> pts;
    // Written only together with a PTS, as the standard requires.
    std::optional<int64_t> dts;
    Bytes data;
    // PES_packet_length 0, which only video streams may use; also the only
    // choice for a video PES longer than 65,535 bytes.
    bool unboundedLength = false;
    bool dataAlignment = false;
    // PES_header_data_length at least this; stuffing bytes fill the rest.
    uint8_t headerDataLength = 0;
};

class PesWriter
{
public:
    PesWriter(TsPacketWriter& out, uint16_t pid)
        : m_out(out)
        , m_pid(pid)
    {
    }

    // The PES bytes: start code, stream_id, length, optional header, data.
    static Bytes Build(const PesPacket& pes);
    // Time stamps are 33 bits; the 5-byte field with its marker bits.
    static void AppendTimeStamp(Bytes& out, uint8_t prefix, int64_t value);

    // Queues a PES; throws std::logic_error while the previous one is unfinished.
    void Start(const PesPacket& pes);
    bool HasPending() const { return m_offset < m_pending.size(); }
    // Writes the next transport packet of the queued PES. The field, if given,
    // goes into that packet (a PCR, the random-access flag).
    void WriteNextPacket(const AdaptationField* field = nullptr);
    // The whole PES; the field goes into its first packet.
    void Write(const PesPacket& pes, const AdaptationField* firstPacketField = nullptr);

    uint16_t Pid() const { return m_pid; }

private:
    TsPacketWriter& m_out;
    uint16_t m_pid;
    Bytes m_pending;
    size_t m_offset = 0;
};

} // namespace ts
