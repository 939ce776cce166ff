// The receive thread's dispatch: a read of 1,024 packets cut into packets and
// handed to one receiver on each of a handful of PIDs, as a multiplex with a
// few services would arrive. Reported as packets per second.
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTransportStreamReceiver.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

class CBenchReceiver : public CDVBTransportStreamReceiver
{
public:
    CBenchReceiver()
        : CDVBTransportStreamReceiver(nullptr, nullptr)
    {
    }
    using CDVBTransportStreamReceiver::ProcessBuffer;
};

// Does what the lightest real receivers do per packet: look at the payload.
class CCountingReceiver : public CDVBPIDReceiver
{
public:
    void OnReceivePacket(uint64_t, unsigned char* packet) override
    {
        unsigned char* payload;
        unsigned long size;
        if (GetPacketPayload(packet, payload, size))
            bytes += size;
    }
    uint64_t bytes = 0;
};

constexpr int kPacketsPerRead = 1024;
// Video, audio, subtitles, PMT, PCR-only and two PIDs nobody listens to.
constexpr std::array<unsigned short, 7> kPIDs = { 0x100, 0x101, 0x102, 0x1000, 0x1FF, 0x200, 0x1FFF };
constexpr int kListenedPIDs = 5;

std::vector<unsigned char> MakeRead()
{
    std::vector<unsigned char> read(kPacketsPerRead * DVB_PACKET_SIZE, 0xFF);
    std::array<unsigned char, kPIDs.size()> counters {};
    for (int i = 0; i < kPacketsPerRead; i++) {
        unsigned char* packet = read.data() + i * DVB_PACKET_SIZE;
        const size_t which = (i * 5 + i / 7) % kPIDs.size();
        const unsigned short pid = kPIDs[which];
        packet[0] = 0x47;
        packet[1] = static_cast<unsigned char>(pid >> 8);
        packet[2] = static_cast<unsigned char>(pid);
        // Counters in order within the read, as a sound stream has them.
        packet[3] = static_cast<unsigned char>(0x10 | (counters[which]++ & 0x0F));
    }
    return read;
}

void BM_ProcessBuffer(benchmark::State& state)
{
    CBenchReceiver receiver;
    std::vector<CCountingReceiver*> receivers;
    for (int i = 0; i < kListenedPIDs; i++) {
        receivers.push_back(new CCountingReceiver);
        receiver.AddPIDReceiver(kPIDs[i], receivers.back());
    }
    std::vector<unsigned char> read = MakeRead();
    for (auto _ : state) {
        receiver.ProcessBuffer(read.data(), static_cast<unsigned long>(read.size()));
        benchmark::DoNotOptimize(receivers.front()->bytes);
    }
    state.SetItemsProcessed(state.iterations() * kPacketsPerRead);
    state.SetBytesProcessed(state.iterations() * read.size());
}
BENCHMARK(BM_ProcessBuffer);

// The same with a PCR receiver sampling a PCR in every packet of its PID.
void BM_ProcessBufferWithPCR(benchmark::State& state)
{
    CBenchReceiver receiver;
    for (int i = 0; i < kListenedPIDs; i++)
        receiver.AddPIDReceiver(
            kPIDs[i], i == 4 ? static_cast<CDVBPIDReceiver*>(new CDVBPCRReceiver) : new CCountingReceiver);
    std::vector<unsigned char> read = MakeRead();
    uint64_t pcr = 0;
    for (int i = 0; i < kPacketsPerRead; i++) {
        unsigned char* packet = read.data() + i * DVB_PACKET_SIZE;
        if (CDVBPIDReceiver::GetPacketPID(packet) != kPIDs[4])
            continue;
        pcr += 300;
        packet[3] = 0x20;
        packet[4] = 7;
        packet[5] = 0x10;
        packet[6] = static_cast<unsigned char>(pcr >> 25);
        packet[7] = static_cast<unsigned char>(pcr >> 17);
        packet[8] = static_cast<unsigned char>(pcr >> 9);
        packet[9] = static_cast<unsigned char>(pcr >> 1);
        packet[10] = static_cast<unsigned char>((pcr & 1) << 7);
    }
    for (auto _ : state)
        receiver.ProcessBuffer(read.data(), static_cast<unsigned long>(read.size()));
    state.SetItemsProcessed(state.iterations() * kPacketsPerRead);
}
BENCHMARK(BM_ProcessBufferWithPCR);

} // namespace
