// Section handling of a realistic multiplex: eight services with PAT, PMT,
// SDT, NIT, present/following and a day of schedule EIT, TDT and TOT, fed as
// packets to one SI receiver per PID. After the first cycle every section is
// a repeat, which is what a receiver sees almost all the time.
#include "si/DVBEITSection.h"
#include "si/DVBSICollector.h"
#include "si/DVBSIReceiver.h"
#include "si/DVBSISectionHandler.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

namespace {

constexpr int SERVICES = 8;

class CountingHandler : public CDVBSISectionHandler
{
public:
    void OnSectionAdd(unsigned short, CDVBSISection*) override { ++added; }
    int added = 0;
};

struct Multiplex {
    ts::Bytes packets;
    int sections = 0;
};

ts::EitEvent Event(uint16_t id, int64_t start, uint8_t status)
{
    ts::EitEvent event;
    event.eventId = id;
    event.start = ts::DvbTime::FromUnix(start);
    event.durationBcd = ts::BcdDuration(1800);
    event.runningStatus = status;
    event.descriptors = ts::ShortEventDescriptor(
        "eng", "Programme " + std::to_string(id), std::string(180, 'x') + " and the rest of the synopsis.");
    return event;
}

Multiplex BuildMultiplex()
{
    ts::TsPacketWriter out;
    Multiplex multiplex;
    auto write = [&](uint16_t pid, const ts::Bytes& section) {
        ts::SectionWriter(out, pid).Write(section);
        ++multiplex.sections;
    };
    std::vector<ts::PatEntry> pat = { { 0, 0x10 } };
    std::vector<ts::SdtService> services;
    for (uint16_t n = 1; n <= SERVICES; ++n) {
        pat.push_back({ n, uint16_t(0x100 * n) });
        ts::SdtService service;
        service.serviceId = n;
        service.eitSchedule = true;
        service.descriptors = ts::ServiceDescriptor(1, "Provider", "Service " + std::to_string(n));
        services.push_back(service);
    }
    write(0x00, ts::PatSection(0x0401, pat));
    for (uint16_t n = 1; n <= SERVICES; ++n) {
        const uint16_t base = uint16_t(0x100 * n);
        write(base,
            ts::PmtSection(n, uint16_t(base + 1), {},
                { { 2, uint16_t(base + 1), ts::StreamIdentifierDescriptor(1) },
                    { 3, uint16_t(base + 2), ts::Iso639LanguageDescriptor("eng") },
                    { 6, uint16_t(base + 3), ts::SubtitlingDescriptor({ { "eng" } }) } }));
    }
    write(0x11, ts::SdtSection(0x0401, 0x233A, services));
    write(0x10,
        ts::NitSection(0x3005, ts::NetworkNameDescriptor("Network"),
            { { 0x0401, 0x233A, ts::TerrestrialDeliveryDescriptor({}) } }));
    const int64_t start = 1100000000;
    for (uint16_t n = 1; n <= SERVICES; ++n) {
        ts::EitHeader header;
        header.serviceId = n;
        header.transportStreamId = 0x0401;
        header.originalNetworkId = 0x233A;
        write(0x12, ts::EitSection(header, { Event(1, start, 4) }));
        header.sectionNumber = 1;
        write(0x12, ts::EitSection(header, { Event(2, start + 1800, 1) }));
        // A day of schedule: 48 events, four to a section.
        header.tableId = 0x50;
        header.lastSectionNumber = 11;
        for (uint8_t section = 0; section < 12; ++section) {
            header.sectionNumber = section;
            std::vector<ts::EitEvent> events;
            for (int e = 0; e < 4; ++e)
                events.push_back(Event(uint16_t(10 + section * 4 + e), start + (section * 4 + e) * 1800, 1));
            write(0x12, ts::EitSection(header, events));
        }
    }
    write(0x14, ts::TdtSection(ts::DvbTime::FromUnix(start)));
    write(0x14, ts::TotSection(ts::DvbTime::FromUnix(start), ts::LocalTimeOffsetDescriptor({ {} })));
    multiplex.packets = out.TakeData();
    return multiplex;
}

void BM_RepeatedSections(benchmark::State& state)
{
    Multiplex multiplex = BuildMultiplex();
    CountingHandler handler;
    std::map<unsigned short, std::unique_ptr<CDVBSIReceiver>> receivers;
    const size_t packets = multiplex.packets.size() / ts::PACKET_SIZE;
    std::vector<CDVBSIReceiver*> byPacket;
    for (size_t i = 0; i < packets; ++i) {
        unsigned char* packet = multiplex.packets.data() + i * ts::PACKET_SIZE;
        const unsigned short pid = CDVBPIDReceiver::GetPacketPID(packet);
        auto& receiver = receivers[pid];
        if (!receiver) {
            receiver = std::make_unique<CDVBSIReceiver>(&handler);
            receiver->SetPID(pid);
        }
        byPacket.push_back(receiver.get());
    }
    auto cycle = [&] {
        for (size_t i = 0; i < packets; ++i)
            byPacket[i]->OnReceivePacket(i, multiplex.packets.data() + i * ts::PACKET_SIZE);
    };
    cycle(); // the first time every section is new; from now on all are repeats
    if (handler.added != multiplex.sections)
        state.SkipWithError("not every section was delivered once");
    for (auto _ : state)
        cycle();
    state.counters["sections/s"]
        = benchmark::Counter(double(multiplex.sections) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["packets/s"]
        = benchmark::Counter(double(packets) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["packets/cycle"] = double(packets);
    state.counters["sections/cycle"] = multiplex.sections;
}
BENCHMARK(BM_RepeatedSections);

} // namespace

// The collector taking in a week of schedule for eight services, every
// section new: 336 events a service, four to a section. Repeats never reach
// it, so at broadcast rate this is its whole cost once per new version; the
// schedule's later days are sent about every 30 s, which bounds the share of
// a core from above.
void BM_CollectorTakesAWeekOfSchedule(benchmark::State& state)
{
    std::vector<std::unique_ptr<CDVBEITSection>> sections;
    const int64_t start = 1100000000;
    for (uint16_t n = 1; n <= SERVICES; ++n) {
        ts::EitHeader header;
        header.serviceId = n;
        header.transportStreamId = 0x0401;
        header.originalNetworkId = 0x233A;
        header.tableId = 0x50;
        header.lastSectionNumber = 83;
        for (uint8_t section = 0; section < 84; ++section) {
            header.sectionNumber = section;
            std::vector<ts::EitEvent> events;
            for (int e = 0; e < 4; ++e)
                events.push_back(Event(uint16_t(10 + section * 4 + e), start + (section * 4 + e) * 1800, 1));
            const ts::Bytes bytes = ts::EitSection(header, events);
            auto parsed = std::make_unique<CDVBEITSection>();
            if (!parsed->Parse(bytes.data(), bytes.size()))
                state.SkipWithError("a section did not parse");
            sections.push_back(std::move(parsed));
        }
    }
    for (auto _ : state) {
        CDVBSICollector collector("/nonexistent-krx-bench/");
        for (const auto& section : sections)
            collector.OnReceiveEIT(0x12, section.get());
        benchmark::DoNotOptimize(collector.GetBroadcastTime());
    }
    state.counters["sections/s"]
        = benchmark::Counter(double(sections.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["sections/week"] = double(sections.size());
}
BENCHMARK(BM_CollectorTakesAWeekOfSchedule)->Unit(benchmark::kMillisecond);
