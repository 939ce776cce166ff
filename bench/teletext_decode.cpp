// Decoding teletext at broadcast rate: one second of four teletext PIDs, each
// a full frame of 32 packets every 40 ms (a magazine rotating through 100
// pages of 20 rows, its subtitle page among them), through the receivers as
// the receive thread hands them packets. Each iteration is one second of
// broadcast: its time over one second is the share of a core it costs.
#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"
#include "TeletextEncoder.h"
#include "tswriter/PesWriter.h"

#include "plugin/DVBDisplay.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Takes the subtitle layer, so that its page is painted as it comes.
class LayerTakingDisplay : public CDVBDisplay
{
public:
    bool AddDisplayLayer(CDVBDisplayLayer*) override { return true; }
    bool RemoveDisplayLayer(CDVBDisplayLayer*) override { return true; }
};

constexpr int PIDS = 4;
constexpr int FRAMES_PER_SECOND = 25;
constexpr size_t PACKETS_PER_FRAME = 32;

// The transport packets of one second of one PID's teletext.
ts::Bytes OneSecond(uint16_t pid, int second)
{
    std::vector<ts::Bytes> packets;
    for (int number = 0; packets.size() < PACKETS_PER_FRAME * FRAMES_PER_SECOND; ++number) {
        TeletextPage page;
        page.number = 0x100 + (second * 7 + number) % 100 / 10 * 16 + number % 10;
        page.charset = TeletextCharset::German;
        page.header = "Korrix Text";
        for (int row = 1; row <= 20; ++row)
            page.rows.push_back({ row, "Zeile mit Text, Grüße und Übung " + std::to_string(row) });
        for (ts::Bytes& packet : TeletextEncoder::PagePackets(page))
            packets.push_back(std::move(packet));
    }
    ts::TsPacketWriter out;
    ts::PesWriter writer(out, pid);
    for (int frame = 0; frame < FRAMES_PER_SECOND; ++frame) {
        const std::vector<ts::Bytes> lines(
            packets.begin() + long(frame * PACKETS_PER_FRAME), packets.begin() + long((frame + 1) * PACKETS_PER_FRAME));
        ts::PesPacket pes(0xBD, int64_t(second * FRAMES_PER_SECOND + frame) * 3600, std::nullopt,
            TeletextEncoder::PesData(lines, false));
        pes.headerDataLength = 0x24;
        writer.Write(pes);
    }
    return out.TakeData();
}

void BM_FourTeletextPIDsForOneSecond(benchmark::State& state)
{
    std::vector<std::unique_ptr<CDVBTeletextReceiver>> receivers;
    std::vector<ts::Bytes> seconds;
    for (int pid = 0; pid < PIDS; ++pid) {
        // One receiver has its subtitle page painted into the picture.
        receivers.push_back(std::make_unique<CDVBTeletextReceiver>(
            nullptr, std::make_unique<CDVBZVBITeletextDecoder>(), pid == 0 ? 0x105 : 0));
        seconds.push_back(OneSecond(uint16_t(0x300 + pid), pid));
    }
    LayerTakingDisplay display;
    receivers.front()->SetDisplay(&display);
    uint64_t packet = 0, pages = 0;
    for (auto& receiver : receivers)
        receiver->SetPageListener([&pages](int, int) { ++pages; });
    for (auto _ : state) {
        for (int pid = 0; pid < PIDS; ++pid) {
            ts::Bytes& stream = seconds[size_t(pid)];
            for (size_t at = 0; at < stream.size(); at += ts::PACKET_SIZE)
                receivers[size_t(pid)]->OnReceivePacket(packet++, &stream[at]);
        }
    }
    for (auto& receiver : receivers)
        receiver->SetPageListener(nullptr);
    receivers.front()->UnsetDisplay(&display);
    state.counters["TS packets"] = benchmark::Counter(double(packet), benchmark::Counter::kAvgIterations);
    state.counters["pages"] = benchmark::Counter(double(pages), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_FourTeletextPIDsForOneSecond)->Unit(benchmark::kMillisecond);
