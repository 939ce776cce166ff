#include "Playout.h"

#include <fstream>
#include <optional>

namespace dvbsim {
namespace {

constexpr size_t PACKET = 188;
constexpr uint64_t PCR_WRAP = (1ull << 33) * 300;
constexpr double PCR_HZ = 27000000.0;

std::optional<uint64_t> PacketPcr(const uint8_t* packet)
{
    bool hasAdaptation = packet[3] & 0x20;
    if (!hasAdaptation || packet[4] < 7 || !(packet[5] & 0x10))
        return std::nullopt;
    const uint8_t* p = packet + 6;
    uint64_t base
        = (uint64_t(p[0]) << 25) | (uint64_t(p[1]) << 17) | (uint64_t(p[2]) << 9) | (uint64_t(p[3]) << 1) | (p[4] >> 7);
    uint64_t extension = (uint64_t(p[4] & 1) << 8) | p[5];
    return base * 300 + extension;
}

double RateFromPcrs(const std::vector<uint8_t>& stream)
{
    int pcrPid = -1;
    uint64_t firstOffset = 0, lastOffset = 0, elapsed = 0, previous = 0;
    for (size_t offset = 0; offset < stream.size(); offset += PACKET) {
        const uint8_t* packet = stream.data() + offset;
        int pid = ((packet[1] & 0x1F) << 8) | packet[2];
        std::optional<uint64_t> pcr = PacketPcr(packet);
        if (!pcr || (pcrPid >= 0 && pid != pcrPid))
            continue;
        if (pcrPid < 0) {
            pcrPid = pid;
            firstOffset = offset;
            previous = *pcr;
            continue;
        }
        // Summing the steps follows the clock across its 33-bit wrap.
        elapsed += (*pcr + PCR_WRAP - previous) % PCR_WRAP;
        previous = *pcr;
        lastOffset = offset;
    }
    if (pcrPid < 0 || lastOffset <= firstOffset || elapsed == 0)
        throw PlayoutError("carries no two PCRs to take its rate from");
    return double(lastOffset - firstOffset) * PCR_HZ / double(elapsed);
}

} // namespace

Playout::Playout(std::vector<uint8_t> stream, uint32_t bitsPerSecond)
    : m_stream(std::move(stream))
{
    if (m_stream.empty() || m_stream.size() % PACKET != 0)
        throw PlayoutError("is not a whole number of 188-byte transport packets");
    for (size_t offset = 0; offset < m_stream.size(); offset += PACKET)
        if (m_stream[offset] != 0x47)
            throw PlayoutError("has no sync byte at offset " + std::to_string(offset));
    m_rate = bitsPerSecond != 0 ? bitsPerSecond / 8.0 : RateFromPcrs(m_stream);
}

Playout Playout::Load(const std::string& path, uint32_t bitsPerSecond)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw PlayoutError("cannot be read");
    std::vector<uint8_t> stream(size_t(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(stream.data()), std::streamsize(stream.size())))
        throw PlayoutError("cannot be read");
    return Playout(std::move(stream), bitsPerSecond);
}

void Playout::Start(uint64_t nowNs)
{
    if (m_running)
        return;
    m_running = true;
    m_startNs = nowNs;
    m_deliveredAtStart = m_delivered;
}

void Playout::Stop()
{
    m_running = false;
}

void Playout::Deliver(uint64_t nowNs, const Chunk& chunk)
{
    if (!m_running || nowNs < m_startNs)
        return;
    uint64_t due = m_deliveredAtStart + uint64_t(double(nowNs - m_startNs) * m_rate / 1e9);
    due -= due % PACKET;
    while (m_delivered < due) {
        size_t offset = m_delivered % m_stream.size();
        size_t size = size_t(std::min<uint64_t>(due - m_delivered, m_stream.size() - offset));
        chunk(m_stream.data() + offset, size);
        m_delivered += size;
    }
}

} // namespace dvbsim
