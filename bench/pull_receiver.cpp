// The pull receiver's receive side (header stripping, copying into the pool,
// stamping) and its byte-stream read side, on one thread, per transport packet.
#include "stream/DVBPullReceiver.h"
#include "tswriter/PesWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

class CBenchPullReceiver : public CDVBPullReceiver
{
public:
    CBenchPullReceiver(int count, int size)
        : CDVBPullReceiver(count, size)
    {
    }
    ~CBenchPullReceiver() override { Stop(); }
    using CDVBPullReceiver::ReadCompressedData;
    using CDVBPullReceiver::SubmitWriteBuffer;

    void DrainBuffers()
    {
        while (GetNextReadBuffer())
            m_readBuffer->SetUsed(0);
    }
};

constexpr int kPesCount = 10;
constexpr unsigned long kPesSize = 20000;

// Video-like PES packets of 20 kB, each with a PTS; 20 buffers of the pool's 50 hold them.
ts::Bytes MakeStream()
{
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, 0x100);
    for (int i = 0; i < kPesCount; i++)
        pes.Write(ts::PesPacket(0xE0, 3600 * i, std::nullopt, ts::Bytes(kPesSize, static_cast<uint8_t>(i))));
    return out.TakeData();
}

void Feed(CDVBPIDReceiver& receiver, ts::Bytes& stream)
{
    for (size_t offset = 0; offset < stream.size(); offset += ts::PACKET_SIZE)
        receiver.OnReceivePacket(offset / ts::PACKET_SIZE, stream.data() + offset);
}

void BM_ReceiveVideoPackets(benchmark::State& state)
{
    CBenchPullReceiver receiver(50, 16384);
    ts::Bytes stream = MakeStream();
    const int64_t packets = static_cast<int64_t>(stream.size() / ts::PACKET_SIZE);
    for (auto _ : state) {
        Feed(receiver, stream);
        receiver.DrainBuffers();
    }
    state.SetItemsProcessed(state.iterations() * packets);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_ReceiveVideoPackets);

void BM_ReadCompressedData(benchmark::State& state)
{
    CBenchPullReceiver receiver(50, 16384);
    ts::Bytes stream = MakeStream();
    std::vector<unsigned char> chunk(state.range(0));
    for (auto _ : state) {
        Feed(receiver, stream);
        receiver.SubmitWriteBuffer();
        // Reading exactly what is queued never waits for more.
        for (unsigned long left = kPesCount * kPesSize; left > 0;)
            left -= receiver.ReadCompressedData(chunk.data(), std::min<unsigned long>(chunk.size(), left));
    }
    state.SetBytesProcessed(state.iterations() * kPesCount * kPesSize);
}
BENCHMARK(BM_ReadCompressedData)->Arg(188)->Arg(4096);

} // namespace
