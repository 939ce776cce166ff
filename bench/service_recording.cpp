// The recording thread's work for one read of a 30 Mbit/s multiplex of six
// services: the whole multiplex written to a file, against one service cut out
// of it (PAT written anew, SDT and EIT filtered) and written. The reception's
// copy into the recording buffers is the same for both and left out. CPU time
// includes the kernel's for the writes; the file is emptied every 256 MiB.
#include "platform/OutputFile.h"
#include "stream/DVBServiceRecordingFilter.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kServices = 6;
// About a fifth of a second at 30 Mbit/s.
constexpr int kPacketsPerRead = 4096;
constexpr uint64_t kFileLimit = 256ull << 20;

ts::Bytes Eit(uint16_t serviceId, uint8_t tableId)
{
    ts::EitHeader header;
    header.tableId = tableId;
    header.serviceId = serviceId;
    ts::EitEvent event;
    event.descriptors = ts::ShortEventDescriptor("eng", "A programme", "What it is about, at some length.");
    return ts::EitSection(header, { event, event, event });
}

// Each service a video PID with a key picture every 100 of its packets and an
// audio PID; the tables once per read, as the broadcast rate of a few per second.
std::vector<unsigned char> MakeRead()
{
    ts::TsPacketWriter out;
    std::vector<ts::PatEntry> programs;
    std::vector<ts::SdtService> services;
    for (uint16_t id = 1; id <= kServices; id++) {
        programs.push_back({ id, uint16_t(0x100 * id) });
        services.push_back({ id, true, true, 4, false, ts::ServiceDescriptor(1, "Maker", "Service") });
    }
    ts::SectionWriter(out, 0).Write(ts::PatSection(1, programs));
    for (uint16_t id = 1; id <= kServices; id++)
        ts::SectionWriter(out, 0x100 * id)
            .Write(ts::PmtSection(id, 0x100 * id + 1, {},
                { { 0x1B, uint16_t(0x100 * id + 1), {} }, { 0x0F, uint16_t(0x100 * id + 2), {} } }));
    ts::SectionWriter(out, 0x11).Write(ts::SdtSection(1, 1, services));
    std::vector<ts::Bytes> eit;
    for (uint16_t id = 1; id <= kServices; id++) {
        eit.push_back(Eit(id, 0x4E));
        eit.push_back(Eit(id, 0x50));
    }
    ts::SectionWriter(out, 0x12).WritePacked(eit);
    ts::AdaptationField key;
    key.randomAccess = true;
    for (int i = 0; out.PacketCount() < kPacketsPerRead; i++) {
        const uint16_t id = 1 + i % kServices;
        const bool audio = i % 10 == 9;
        const uint16_t pid = 0x100 * id + (audio ? 2 : 1);
        const bool start = (i / kServices) % 100 == 0;
        const ts::AdaptationField* field = start && !audio ? &key : nullptr;
        out.WritePacket(
            ts::PacketHeader(pid, start), ts::Bytes(ts::TsPacketWriter::PayloadCapacity(field), 0x55), field);
    }
    ts::Bytes data = out.TakeData();
    data.resize(kPacketsPerRead * ts::PACKET_SIZE);
    return data;
}

class CRecordingFile
{
public:
    CRecordingFile() { m_file.Open(m_path); }
    ~CRecordingFile()
    {
        m_file.Close();
        std::remove(m_path.c_str());
    }
    void Write(benchmark::State& state, const unsigned char* data, size_t size)
    {
        if (!m_file.Write(data, size))
            state.SkipWithError("cannot write the recording");
        if (m_file.GetSize() < kFileLimit)
            return;
        state.PauseTiming();
        m_file.Close();
        m_file.Open(m_path);
        state.ResumeTiming();
    }

private:
    CString m_path = "/tmp/krx-bench-service-recording.ts";
    COutputFile m_file;
};

void WholeMultiplex(benchmark::State& state)
{
    const std::vector<unsigned char> read = MakeRead();
    CRecordingFile file;
    for (auto _ : state)
        file.Write(state, read.data(), read.size());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(read.size()));
}

void OneService(benchmark::State& state)
{
    std::vector<unsigned char> read = MakeRead();
    CRecordingFile file;
    CDVBServiceRecordingFilter filter(1);
    std::vector<unsigned char> kept;
    for (auto _ : state) {
        kept.clear();
        filter.Filter(read.data(), static_cast<unsigned long>(read.size()), kept);
        file.Write(state, kept.data(), kept.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(read.size()));
    state.counters["kept"] = double(kept.size()) / double(read.size());
}

BENCHMARK(WholeMultiplex);
BENCHMARK(OneService);

} // namespace
