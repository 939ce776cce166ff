#include "SynchronousWaveReceiver.h"

#include "MemoryWaveDevice.h"

#include "tswriter/PesWriter.h"

#include <algorithm>

namespace {
std::unique_ptr<CDVBWaveDevice> SilentDevice()
{
    auto device = std::make_unique<CMemoryWaveDevice>();
    device->SetRecording(false);
    return device;
}
} // namespace

CSynchronousWaveReceiver::CSynchronousWaveReceiver(PlayerRun run, std::unique_ptr<CDVBWaveDevice> device)
    : CDVBWaveReceiver(nullptr, EDVBSoundCoding::None, device ? std::move(device) : SilentDevice(), 100)
    , m_run(std::move(run))
{
}

CSynchronousWaveReceiver::~CSynchronousWaveReceiver()
{
    Stop();
}

void CSynchronousWaveReceiver::Play(const ts::Bytes& packets)
{
    CScriptedClock clock;
    clock.value = int64_t(1) << 31; // every frame of a short stream is due
    SetProgramClock(&clock);
    size_t next = 0;
    auto reader = [&](unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time) {
        while (m_output.GetPendingCount() > 0)
            OnEveryMillisecond();
        hasTime = false;
        while (!m_readBuffer && m_filledList.GetCount() == 0 && next + DVB_PACKET_SIZE <= packets.size()) {
            // A copy of exactly one packet, so a sanitizer sees any read beyond it.
            unsigned char packet[DVB_PACKET_SIZE];
            std::copy_n(packets.begin() + next, DVB_PACKET_SIZE, packet);
            OnReceivePacket(0, packet);
            next += DVB_PACKET_SIZE;
        }
        if (!m_readBuffer && m_filledList.GetCount() == 0)
            return 0ul;
        return ReadChunk(destination, size, hasTime, time);
    };
    m_run(
        reader, [] { return false; }, m_output);
    SetProgramClock(nullptr);
}

ts::Bytes MakeAudioPackets(const ts::Bytes& payload, size_t payloadSize, int64_t frameTicks)
{
    ts::TsPacketWriter packets;
    ts::PesWriter writer(packets, 0x44);
    for (size_t offset = 0, index = 0; offset < payload.size(); offset += payloadSize, index++) {
        const size_t end = std::min(payload.size(), offset + payloadSize);
        writer.Write(ts::PesPacket(0xC0, int64_t(index) * frameTicks, std::nullopt,
            ts::Bytes(payload.begin() + offset, payload.begin() + end)));
    }
    return packets.TakeData();
}
