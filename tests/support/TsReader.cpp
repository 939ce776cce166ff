#include "support/TsReader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ts {

PacketInfo ParsePacket(const uint8_t* p)
{
    if (p[0] != 0x47)
        throw std::runtime_error("lost sync");
    PacketInfo info;
    info.transportError = p[1] & 0x80;
    info.payloadUnitStart = p[1] & 0x40;
    info.pid = uint16_t((p[1] & 0x1F) << 8 | p[2]);
    info.scrambling = p[3] >> 6;
    info.adaptationFieldControl = (p[3] >> 4) & 3;
    info.continuityCounter = p[3] & 0x0F;
    size_t offset = 4;
    if (info.adaptationFieldControl & 2) {
        size_t length = p[4];
        if (5 + length > PACKET_SIZE)
            throw std::runtime_error("adaptation field overruns the packet");
        if (length > 0) {
            uint8_t flags = p[5];
            info.discontinuity = flags & 0x80;
            info.randomAccess = flags & 0x40;
            if (flags & 0x10) {
                if (length < 7)
                    throw std::runtime_error("PCR flag without room for a PCR");
                const uint8_t* f = p + 6;
                uint64_t base = uint64_t(f[0]) << 25 | uint64_t(f[1]) << 17 | uint64_t(f[2]) << 9 | uint64_t(f[3]) << 1
                    | f[4] >> 7;
                info.pcr = Pcr { base, uint16_t((f[4] & 1) << 8 | f[5]) };
            }
        }
        offset = 5 + length;
    }
    if (info.adaptationFieldControl & 1)
        info.payloadOffset = offset;
    return info;
}

int64_t ReadTimeStamp(const uint8_t* f)
{
    return int64_t(f[0] >> 1 & 7) << 30 | int64_t(f[1]) << 22 | int64_t(f[2] >> 1) << 15 | int64_t(f[3]) << 7
        | f[4] >> 1;
}

Bytes FileContents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

PesPacket ParsePes(const Bytes& bytes)
{
    if (bytes.size() < 6 || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 1)
        throw std::runtime_error("no PES start code");
    PesPacket pes;
    pes.streamId = bytes[3];
    size_t length = size_t(bytes[4]) << 8 | bytes[5];
    pes.unboundedLength = length == 0;
    size_t end = length == 0 ? bytes.size() : 6 + length;
    if (end > bytes.size())
        throw std::runtime_error("PES shorter than its PES_packet_length");
    if (bytes.size() < 9 || (bytes[6] & 0xC0) != 0x80)
        throw std::runtime_error("PES without the optional header");
    pes.dataAlignment = bytes[6] & 0x04;
    uint8_t flags = bytes[7] >> 6;
    size_t dataStart = 9 + bytes[8];
    if (dataStart > end || flags == 1)
        throw std::runtime_error("malformed PES header");
    if (flags & 2)
        pes.pts = ReadTimeStamp(&bytes[9]);
    if (flags == 3)
        pes.dts = ReadTimeStamp(&bytes[14]);
    pes.data.assign(bytes.begin() + dataStart, bytes.begin() + end);
    return pes;
}

void TsReader::Read(const Bytes& stream)
{
    if (stream.size() % PACKET_SIZE != 0)
        throw std::runtime_error("stream is not whole packets");
    for (size_t at = 0; at < stream.size(); at += PACKET_SIZE) {
        const uint8_t* packet = &stream[at];
        PacketInfo info = ParsePacket(packet);
        m_packets.push_back(info);
        if (info.payloadOffset >= PACKET_SIZE)
            continue;
        const uint8_t* payload = packet + info.payloadOffset;
        size_t size = PACKET_SIZE - info.payloadOffset;
        if (auto sections = m_sections.find(info.pid); sections != m_sections.end())
            ReadSections(sections->second, payload, size, info.payloadUnitStart);
        if (auto pes = m_pes.find(info.pid); pes != m_pes.end()) {
            PesState& state = pes->second;
            if (info.payloadUnitStart) {
                FinishPes(state);
                state.active = true;
                state.startPacket = m_packets.size() - 1;
            }
            if (state.active)
                state.pending.insert(state.pending.end(), payload, payload + size);
        }
    }
}

void TsReader::Finish()
{
    for (auto& [pid, state] : m_pes)
        FinishPes(state);
}

void TsReader::FinishPes(PesState& state)
{
    if (!state.active)
        return;
    ReadPes read;
    read.packetIndex = state.startPacket;
    read.declaredLength = state.pending.size() >= 6 ? uint16_t(state.pending[4] << 8 | state.pending[5]) : 0;
    read.pes = ParsePes(state.pending);
    state.done.push_back(std::move(read));
    state.pending.clear();
    state.active = false;
}

std::optional<size_t> TsReader::Complete(SectionState& state)
{
    if (state.pending.size() < 3)
        return std::nullopt;
    size_t total = 3 + ((state.pending[1] & 0x0F) << 8 | state.pending[2]);
    if (state.pending.size() < total)
        return std::nullopt;
    size_t extra = state.pending.size() - total;
    state.pending.resize(total);
    state.done.push_back({ m_packets.size() - 1, std::move(state.pending) });
    state.pending.clear();
    state.active = false;
    return extra;
}

void TsReader::ReadSections(SectionState& state, const uint8_t* payload, size_t size, bool unitStart)
{
    size_t at = 0;
    if (unitStart) {
        size_t pointer = payload[0];
        if (1 + pointer > size)
            throw std::runtime_error("pointer_field beyond the packet");
        // The bytes before the pointed-to start end the section in progress;
        // one still incomplete then is broken and dropped.
        if (state.active) {
            state.pending.insert(state.pending.end(), payload + 1, payload + 1 + pointer);
            Complete(state);
            state.pending.clear();
            state.active = false;
        }
        at = 1 + pointer;
    } else if (state.active) {
        state.pending.insert(state.pending.end(), payload, payload + size);
        Complete(state);
        return;
    } else {
        return;
    }
    // Sections follow one another until the packet ends or 0xFF stuffing starts.
    while (at < size && payload[at] != 0xFF) {
        state.active = true;
        state.pending.assign(payload + at, payload + size);
        std::optional<size_t> extra = Complete(state);
        if (!extra)
            return;
        at = size - *extra;
    }
}

} // namespace ts
