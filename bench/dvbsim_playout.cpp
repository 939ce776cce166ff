// What the simulated adapter's feeding thread costs a program it runs in: one
// second of a 30 Mbit/s multiplex played out through the demux, with the
// whole-stream tap a card reader sets and the PAT and SDT filters a scan sets.
#include "Playout.h"
#include "SimDemux.h"

#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double BYTES_PER_SECOND = 30e6 / 8;

std::vector<uint8_t> Stream(size_t packets)
{
    ts::TsPacketWriter out;
    ts::SectionWriter pat(out, 0), sdt(out, 0x11);
    ts::SdtService service;
    service.serviceId = 1;
    for (size_t i = 0; i < packets; ++i) {
        if (i % 2000 == 0) {
            pat.Write(ts::PatSection(1, { { 1, 0x100 } }));
            sdt.Write(ts::SdtSection(1, 1, { service }));
        }
        if (i % 40 == 0) {
            uint64_t ticks = uint64_t(double(out.PacketCount() * 188) * 27e6 / BYTES_PER_SECOND);
            ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(ticks));
            out.WritePacket(ts::PacketHeader(0x100), nullptr, 0, &field);
        } else {
            out.WritePacket(ts::PacketHeader(0x200), ts::Bytes(184, uint8_t(i)));
        }
    }
    return out.TakeData();
}

struct CountingSink : dvbsim::DemuxSink {
    size_t dvr = 0, sections = 0;
    void ToDvr(const uint8_t*, size_t size) override { dvr += size; }
    void ToFilter(int, const uint8_t*, size_t) override { ++sections; }
};

dmx_sct_filter_params TableFilter(uint16_t pid, uint8_t table)
{
    dmx_sct_filter_params params {};
    params.pid = pid;
    params.filter.filter[0] = table;
    params.filter.mask[0] = 0xFF;
    params.flags = DMX_CHECK_CRC | DMX_IMMEDIATE_START;
    return params;
}

void PlayOneSecond(benchmark::State& state)
{
    dvbsim::Playout playout(Stream(size_t(BYTES_PER_SECOND / 188)));
    dvbsim::SimDemux demux;
    dmx_pes_filter_params tap {};
    tap.pid = dvbsim::WHOLE_STREAM_PID;
    tap.output = DMX_OUT_TS_TAP;
    tap.flags = DMX_IMMEDIATE_START;
    demux.SetPesFilter(1, tap);
    demux.SetSectionFilter(2, TableFilter(0, 0x00));
    demux.SetSectionFilter(3, TableFilter(0x11, 0x42));
    CountingSink sink;
    uint64_t now = 0;
    playout.Start(now);
    for (auto _ : state) {
        // A second in the 5 ms steps the feeding thread takes.
        for (int step = 0; step < 200; ++step) {
            now += 5000000;
            playout.Deliver(now, [&](const uint8_t* data, size_t size) { demux.Dispatch(data, size, sink); });
        }
    }
    state.SetBytesProcessed(int64_t(sink.dvr));
    state.counters["sections"] = benchmark::Counter(double(sink.sections), benchmark::Counter::kAvgIterations);
}
BENCHMARK(PlayOneSecond)->Unit(benchmark::kMillisecond);

} // namespace
