// A one-service recording: what the filter keeps of a multiplex, and that the
// receiver's recording path applies it.
#include "StreamTestSupport.h"
#include "si/DVBCRC32.h"
#include "si/DVBPATSection.h"
#include "si/DVBSDTSection.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBServiceRecordingFilter.h"
#include "support/TsReader.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace {
constexpr uint16_t kService = 1;
constexpr uint16_t kOther = 2;
constexpr uint16_t kPMT = 0x100;
constexpr uint16_t kVideo = 0x101;
constexpr uint16_t kAudio = 0x102;
constexpr uint16_t kTeletext = 0x103; // added by the second PMT
constexpr uint16_t kPCR = 0x150;
constexpr uint16_t kOtherPMT = 0x200;
constexpr uint16_t kOtherVideo = 0x201;
constexpr uint16_t kTSID = 0x1234;
constexpr uint16_t kONID = 0x2345;

ts::Bytes Eit(uint8_t tableId, uint16_t serviceId, uint16_t eventId)
{
    ts::EitHeader header;
    header.tableId = tableId;
    header.serviceId = serviceId;
    header.transportStreamId = kTSID;
    header.originalNetworkId = kONID;
    ts::EitEvent event;
    event.eventId = eventId;
    event.start = ts::DvbTime::FromUnix(1700000000);
    event.durationBcd = ts::BcdDuration(1800);
    event.descriptors = ts::ShortEventDescriptor("eng", "Title", "Text");
    return ts::EitSection(header, { event });
}

ts::Bytes Sdt(uint8_t tableId, uint16_t tsid)
{
    std::vector<ts::SdtService> services;
    for (uint16_t id : { kOther, kService, uint16_t(3) }) {
        ts::SdtService service;
        service.serviceId = id;
        service.descriptors = ts::ServiceDescriptor(1, "Maker", "Service " + std::to_string(id));
        services.push_back(service);
    }
    return ts::SdtSection(tsid, kONID, services, 5, tableId);
}

// A multiplex of two services and the tables about them, with the PMT of the
// first changing half way to add a teletext stream.
struct Multiplex {
    ts::TsPacketWriter out;
    ts::SectionWriter pat { out, 0 };
    ts::SectionWriter sdt { out, 0x11 };
    ts::SectionWriter eit { out, 0x12 };
    ts::SectionWriter pmt { out, kPMT };
    ts::SectionWriter otherPmt { out, kOtherPMT };
    std::vector<ts::Bytes> keptEit;
    size_t pats = 0;
    size_t sdts = 0;

    enum Begin { Continued, Started, KeyPicture };
    // A run of packets of one PES, begun in it or before it.
    void Es(uint16_t pid, int count, Begin begin)
    {
        ts::AdaptationField key;
        key.randomAccess = true;
        for (int i = 0; i < count; i++) {
            const ts::AdaptationField* field = i == 0 && begin == KeyPicture ? &key : nullptr;
            out.WritePacket(ts::PacketHeader(pid, i == 0 && begin != Continued),
                ts::Bytes(ts::TsPacketWriter::PayloadCapacity(field), uint8_t(pid + i)), field);
        }
    }
    void Tables(uint8_t pmtVersion)
    {
        pat.Write(ts::PatSection(kTSID, { { 0, 0x10 }, { kOther, kOtherPMT }, { kService, kPMT } }, 3));
        pats++;
        std::vector<ts::PmtStream> streams { { 0x1B, kVideo, {} }, { 0x0F, kAudio, {} } };
        if (pmtVersion > 0)
            streams.push_back({ 0x06, kTeletext, {} });
        // Sections of both programmes share the packets of one PMT PID here.
        pmt.WritePacked({ ts::PmtSection(kOther, kOtherVideo, {}, { { 0x02, kOtherVideo, {} } }),
            ts::PmtSection(kService, kPCR, {}, streams, pmtVersion) });
        otherPmt.Write(ts::PmtSection(kOther, kOtherVideo, {}, { { 0x02, kOtherVideo, {} } }));
        sdt.WritePacked({ Sdt(0x46, 0x999), Sdt(0x42, kTSID) });
        sdts++;
        const ts::Bytes pf = Eit(0x4E, kService, 10);
        const ts::Bytes schedule = Eit(0x50, kService, 11);
        eit.WritePacked({ Eit(0x4E, kOther, 20), pf, Eit(0x4F, kService, 12), Eit(0x60, kService, 13), schedule,
            Eit(0x51, kOther, 21) });
        keptEit.push_back(pf);
        keptEit.push_back(schedule);
    }
    void Build()
    {
        Es(kTeletext, 2, Started); // not in the PMT yet
        Tables(0);
        Es(kAudio, 1, Continued); // the rest of a PES begun before
        Es(kVideo, 3, Started); // no key picture to start from
        for (int round = 0; round < 2; round++) {
            Es(kVideo, 5, KeyPicture);
            Es(kOtherVideo, 3, KeyPicture);
            Es(kAudio, 2, Started);
            Es(kTeletext, 1, Started);
            Es(kPCR, 1, Continued);
            Es(0x10, 1, Started);
            out.WriteNullPacket();
        }
        Tables(1);
        Es(kTeletext, 1, Continued);
        Es(kTeletext, 3, Started);
        Es(kVideo, 2, Started); // the newest picture, not known whole
    }
};

std::map<uint16_t, std::vector<ts::Bytes>> PacketsByPID(const ts::Bytes& stream)
{
    std::map<uint16_t, std::vector<ts::Bytes>> byPID;
    for (size_t at = 0; at + 188 <= stream.size(); at += 188)
        byPID[ts::ParsePacket(&stream[at]).pid].emplace_back(stream.begin() + at, stream.begin() + at + 188);
    return byPID;
}

std::vector<ts::Bytes> SectionBytes(const ts::TsReader& reader, uint16_t pid)
{
    std::vector<ts::Bytes> sections;
    for (const ts::ReadSection& section : reader.Sections(pid))
        sections.push_back(section.bytes);
    return sections;
}

// Every PID's counter goes up by one from packet to packet.
void ExpectContinuous(const ts::TsReader& reader)
{
    std::map<uint16_t, int> last;
    for (const ts::PacketInfo& packet : reader.Packets()) {
        auto found = last.find(packet.pid);
        if (found != last.end()) {
            EXPECT_EQ(packet.continuityCounter, (found->second + 1) % 16) << "PID " << packet.pid;
        }
        last[packet.pid] = packet.continuityCounter;
    }
}

ts::Bytes Filtered(const ts::Bytes& input, size_t packetsPerRead)
{
    CDVBServiceRecordingFilter filter(kService);
    std::vector<unsigned char> out;
    ts::Bytes copy = input;
    for (size_t at = 0; at < copy.size(); at += packetsPerRead * 188) {
        const size_t size = std::min(packetsPerRead * 188, copy.size() - at);
        filter.Filter(copy.data() + at, static_cast<unsigned long>(size), out);
    }
    return out;
}

} // namespace

TEST(ServiceRecordingFilter, KeepsTheServiceAloneWithItsOwnPATAndItsSDTAndEITEntries)
{
    Multiplex mux;
    mux.Build();
    const ts::Bytes input = mux.out.TakeData();
    // Reads of one packet and of many cut the sections differently; the result is the same.
    const ts::Bytes output = Filtered(input, 7);
    ASSERT_EQ(Filtered(input, 1), output);

    auto in = PacketsByPID(input);
    auto kept = PacketsByPID(output);
    std::set<uint16_t> pids;
    for (const auto& [pid, packets] : kept)
        pids.insert(pid);
    EXPECT_EQ(pids, (std::set<uint16_t> { 0, 0x11, 0x12, kPMT, kVideo, kAudio, kTeletext, kPCR }));
    // Passed through as broadcast, each stream from a PES start (video from a key picture) up
    // to the newest picture; teletext only once the PMT names it.
    const auto part = [](const std::vector<ts::Bytes>& packets, size_t from, size_t to) {
        return std::vector<ts::Bytes>(packets.begin() + from, packets.begin() + to);
    };
    EXPECT_EQ(kept[kPMT], in[kPMT]);
    EXPECT_EQ(kept[kPCR], in[kPCR]);
    EXPECT_EQ(kept[kAudio], part(in[kAudio], 1, in[kAudio].size()));
    EXPECT_EQ(kept[kVideo], part(in[kVideo], 3, in[kVideo].size() - 2));
    EXPECT_EQ(kept[kTeletext], part(in[kTeletext], in[kTeletext].size() - 3, in[kTeletext].size()));

    ts::TsReader reader;
    for (uint16_t pid : { 0, 0x11, 0x12 })
        reader.AddSectionPid(pid);
    reader.Read(output);
    ExpectContinuous(reader);

    // A PAT for each broadcast one, naming this programme alone, read back by the core.
    const auto pats = SectionBytes(reader, 0);
    ASSERT_EQ(pats.size(), mux.pats);
    for (const ts::Bytes& bytes : pats) {
        CDVBPATSection pat;
        ASSERT_TRUE(pat.Parse(bytes.data(), bytes.size()));
        EXPECT_EQ(CalculateDVBCRC32(bytes.data(), bytes.size()), 0u);
        EXPECT_EQ(pat.GetTransportStreamId(), kTSID);
        EXPECT_EQ(pat.GetVersionNumber(), 3);
        ASSERT_EQ(pat.GetEntries().GetCount(), 1u);
        EXPECT_EQ((*pat.GetEntries().begin())->programNumber, kService);
        EXPECT_EQ((*pat.GetEntries().begin())->pid, kPMT);
    }

    // The actual SDT with this service's entry only, its descriptors unchanged.
    const auto sdts = SectionBytes(reader, 0x11);
    ASSERT_EQ(sdts.size(), mux.sdts);
    for (const ts::Bytes& bytes : sdts) {
        CDVBSDTSection sdt;
        ASSERT_TRUE(sdt.Parse(bytes.data(), bytes.size()));
        EXPECT_EQ(CalculateDVBCRC32(bytes.data(), bytes.size()), 0u);
        EXPECT_EQ(sdt.GetTableId(), 0x42);
        EXPECT_EQ(sdt.GetTransportStreamId(), kTSID);
        EXPECT_EQ(sdt.GetOriginalNetworkId(), kONID);
        EXPECT_EQ(sdt.GetVersionNumber(), 5);
        ASSERT_EQ(sdt.GetEntries().GetCount(), 1u);
        const CDVBSDTEntry* entry = *sdt.GetEntries().begin();
        EXPECT_EQ(entry->serviceId, kService);
        const ts::Bytes descriptor = ts::ServiceDescriptor(1, "Maker", "Service 1");
        EXPECT_EQ(entry->descriptorsLoopLength, descriptor.size());
    }

    // The actual EIT sections of this service (present/following and schedule), as broadcast.
    EXPECT_EQ(SectionBytes(reader, 0x12), mux.keptEit);
}

TEST(ServiceRecording, TheReceiverRecordsTheNamedServiceAlone)
{
    char pattern[] = "/tmp/krx-service-recording-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const CString path = CString(pattern) + "/a.ts";
    CScriptedSource source;
    CTestableReceiver receiver { &source, nullptr };
    receiver.Initialise();
    receiver.Start();
    ASSERT_TRUE(source.startEvent.Wait(10000));

    Multiplex mux;
    mux.Build();
    const ts::Bytes input = mux.out.TakeData();
    CDVBRecordingParameters parameters(path);
    parameters.SetServiceID(kService);
    ASSERT_TRUE(receiver.StartRecording(&parameters));
    for (size_t at = 0; at < input.size(); at += 188 * 7)
        source.QueueRead(Bytes(input.begin() + at, input.begin() + std::min(at + 188 * 7, input.size())));
    ASSERT_TRUE(source.drainedEvent.Wait(10000));
    receiver.StopRecording();
    receiver.Stop();
    receiver.WaitForStop(1000);
    receiver.DeInitialise();

    const Bytes recorded = ts::FileContents(path);
    std::system((CString("rm -rf ") + pattern).c_str());
    EXPECT_EQ(recorded, Filtered(input, 1));
    EXPECT_EQ(receiver.GetRecordingStatus().bytesWritten, recorded.size());
}
