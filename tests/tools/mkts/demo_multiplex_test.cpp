#include "DemoStream.h"
#include "Multiplexer.h"
#include "support/TsReader.h"
#include "tswriter/Crc32Mpeg2.h"
#include "tswriter/DvbTime.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int64_t MS = 27000;

struct Demo {
    const DemoStream& stream = DemoStream::Get();
    ts::TsReader reader;

    Demo()
    {
        for (uint16_t pid : { 0x0000, 0x0010, 0x0011, 0x0012, 0x0014, 0x0100, 0x0110, 0x0120 })
            reader.AddSectionPid(pid);
        for (const StreamDescription& es : stream.description.streams)
            reader.AddPesPid(es.pid);
        reader.Read(stream.bytes);
        reader.Finish();
    }

    // Packet indices at which the matching sections on the PID end.
    std::vector<size_t> Occurrences(uint16_t pid, uint8_t tableId, int extension = -1, int number = -1) const
    {
        std::vector<size_t> found;
        for (const ts::ReadSection& section : reader.Sections(pid)) {
            const ts::Bytes& s = section.bytes;
            if (s[0] != tableId)
                continue;
            if (extension >= 0 && (s[3] << 8 | s[4]) != extension)
                continue;
            if (number >= 0 && s[6] != number)
                continue;
            found.push_back(section.packetIndex);
        }
        return found;
    }

    const ts::Bytes& FirstSection(uint16_t pid, uint8_t tableId, int extension = -1) const
    {
        for (const ts::ReadSection& section : reader.Sections(pid))
            if (section.bytes[0] == tableId
                && (extension < 0 || (section.bytes[3] << 8 | section.bytes[4]) == extension))
                return section.bytes;
        throw std::runtime_error("section missing");
    }

    // Checks that the table comes within the first period and then once
    // every period, give or take the few packets of other tables due at once.
    void ExpectRepetition(const std::vector<size_t>& packets, int64_t period, const char* what) const
    {
        ASSERT_FALSE(packets.empty()) << what;
        EXPECT_LE(stream.PacketTime(packets.front()), period) << what;
        for (size_t i = 1; i < packets.size(); ++i) {
            int64_t interval = stream.PacketTime(packets[i]) - stream.PacketTime(packets[i - 1]);
            EXPECT_GE(interval, period - 10 * MS) << what << " repeated too soon after " << i;
            EXPECT_LE(interval, period + 10 * MS) << what << " repeated too late after " << i;
        }
        EXPECT_LE(stream.PacketTime(stream.bytes.size() / 188) - stream.PacketTime(packets.back()), period) << what;
    }

    // The packet in which each PES of the PID ends.
    std::vector<size_t> PesEnds(uint16_t pid) const
    {
        std::vector<size_t> ends;
        const auto& packets = reader.Packets();
        for (size_t i = 0; i < packets.size(); ++i) {
            if (packets[i].pid != pid || packets[i].payloadOffset >= 188)
                continue;
            if (packets[i].payloadUnitStart || ends.empty())
                ends.push_back(i);
            else
                ends.back() = i;
        }
        return ends;
    }
};

std::string Text(const uint8_t* at)
{
    return std::string(reinterpret_cast<const char*>(at + 1), at[0]);
}

} // namespace

TEST(DemoMultiplex, PacketsAreWholeAndContinuityCountersRunOn)
{
    Demo demo;
    ASSERT_EQ(demo.stream.bytes.size() % 188, 0u);
    std::map<uint16_t, int> last;
    for (const ts::PacketInfo& packet : demo.reader.Packets()) {
        if (packet.pid == ts::NULL_PID)
            continue;
        bool payload = packet.adaptationFieldControl & 1;
        if (auto found = last.find(packet.pid); found != last.end()) {
            int expected = payload ? (found->second + 1) % 16 : found->second;
            ASSERT_EQ(packet.continuityCounter, expected) << "PID " << packet.pid;
        }
        last[packet.pid] = packet.continuityCounter;
        EXPECT_FALSE(packet.transportError);
        EXPECT_EQ(packet.scrambling, 0);
    }
}

TEST(DemoMultiplex, TablesRepeatAsBroadcastersSendThem)
{
    Demo demo;
    demo.ExpectRepetition(demo.Occurrences(0x0000, 0x00), 100 * MS, "PAT");
    for (const ServiceDescription& service : demo.stream.description.services) {
        demo.ExpectRepetition(demo.Occurrences(service.pmtPid, 0x02, service.id), 100 * MS, "PMT");
        demo.ExpectRepetition(demo.Occurrences(0x0012, 0x4E, service.id, 0), 2000 * MS, "EIT present");
        demo.ExpectRepetition(demo.Occurrences(0x0012, 0x4E, service.id, 1), 2000 * MS, "EIT following");
    }
    demo.ExpectRepetition(demo.Occurrences(0x0011, 0x42), 2000 * MS, "SDT");
    demo.ExpectRepetition(demo.Occurrences(0x0010, 0x40), 2000 * MS, "NIT");
    demo.ExpectRepetition(demo.Occurrences(0x0014, 0x70), 5000 * MS, "TDT");
    demo.ExpectRepetition(demo.Occurrences(0x0014, 0x73), 5000 * MS, "TOT");
    for (uint16_t pid : { 0x0000, 0x0010, 0x0011, 0x0012, 0x0100 })
        for (const ts::ReadSection& section : demo.reader.Sections(pid))
            ASSERT_EQ(ts::Crc32Mpeg2(section.bytes.data(), section.bytes.size()), 0u) << "PID " << pid;
}

TEST(DemoMultiplex, PcrOnEachServicesPcrPidMatchesThePacketsPlace)
{
    Demo demo;
    std::map<uint16_t, std::vector<size_t>> pcrPackets;
    const auto& packets = demo.reader.Packets();
    for (size_t i = 0; i < packets.size(); ++i) {
        if (!packets[i].pcr)
            continue;
        int64_t pcr = int64_t(packets[i].pcr->base * 300 + packets[i].pcr->extension);
        // A constant-rate stream: the PCR is the packet's own time.
        ASSERT_EQ(pcr, demo.stream.PacketTime(i)) << "packet " << i;
        pcrPackets[packets[i].pid].push_back(i);
    }
    // The video PID serves both television services, the radio's audio PID the radio.
    ASSERT_EQ(pcrPackets.size(), 2u);
    for (uint16_t pid : { 0x0200, 0x0210 }) {
        const std::vector<size_t>& at = pcrPackets[pid];
        ASSERT_FALSE(at.empty()) << "PID " << pid;
        EXPECT_LE(demo.stream.PacketTime(at.front()), 40 * MS);
        for (size_t i = 1; i < at.size(); ++i)
            ASSERT_LE(demo.stream.PacketTime(at[i]) - demo.stream.PacketTime(at[i - 1]), 40 * MS) << "PID " << pid;
    }
}

TEST(DemoMultiplex, TimeStampsAdvanceByTheFrameAndEveryPesArrivesBeforeItDecodes)
{
    Demo demo;
    for (const StreamDescription& es : demo.stream.description.streams) {
        const auto& pes = demo.reader.PesPackets(es.pid);
        std::vector<size_t> ends = demo.PesEnds(es.pid);
        ASSERT_EQ(ends.size(), pes.size());
        for (size_t i = 0; i < pes.size(); ++i) {
            ASSERT_TRUE(pes[i].pes.pts) << "PID " << es.pid << " PES " << i;
            int64_t decode = pes[i].pes.dts.value_or(*pes[i].pes.pts);
            EXPECT_GE(*pes[i].pes.pts, decode);
            ASSERT_LE(demo.stream.PacketTime(ends[i] + 1), decode * 300) << "PID " << es.pid << " PES " << i << " late";
            if (i == 0)
                continue;
            int64_t previous = pes[i - 1].pes.dts.value_or(*pes[i - 1].pes.pts);
            // Video decodes one frame apart; audio every 1152 samples at 48 kHz.
            int64_t step = es.kind == StreamKind::Video ? 3600 : es.kind == StreamKind::Audio ? 2160 : 0;
            if (step != 0) {
                ASSERT_EQ(decode - previous, step) << "PID " << es.pid << " PES " << i;
            } else {
                ASSERT_GT(decode, previous) << "PID " << es.pid << " PES " << i;
            }
        }
    }
    // Picture and sound start together, as the samples do: the first picture
    // shown and the first audio frame share a time.
    int64_t firstPicture = INT64_MAX;
    for (const ts::ReadPes& pes : demo.reader.PesPackets(0x0200))
        firstPicture = std::min(firstPicture, *pes.pes.pts);
    EXPECT_EQ(firstPicture, *demo.reader.PesPackets(0x0201).front().pes.pts);
    EXPECT_EQ(firstPicture, Multiplexer::START);
}

TEST(DemoMultiplex, ElementaryStreamsComeOutByteForByte)
{
    Demo demo;
    for (auto [pid, file] : { std::pair { 0x0200, "video.m2v" }, { 0x0202, "audio_deu.mp2" } }) {
        ts::Bytes carried;
        for (const ts::ReadPes& pes : demo.reader.PesPackets(uint16_t(pid)))
            carried.insert(carried.end(), pes.pes.data.begin(), pes.pes.data.end());
        ts::Bytes original = ReadWholeFile(DemoPath(file));
        ASSERT_EQ(carried.size(), original.size()) << file;
        EXPECT_TRUE(carried == original) << file;
    }
    for (const ts::ReadPes& pes : demo.reader.PesPackets(0x0200))
        EXPECT_EQ(pes.declaredLength, 0) << "video PES are unbounded";
    EXPECT_EQ(demo.reader.PesPackets(0x0201).front().pes.streamId, 0xC0);
    EXPECT_EQ(demo.reader.PesPackets(0x0202).front().pes.streamId, 0xC1);
    EXPECT_EQ(demo.reader.PesPackets(0x0204).front().pes.streamId, 0xBD);
}

TEST(DemoMultiplex, ServiceInformationNamesTheMultiplexAndItsServices)
{
    Demo demo;
    const ts::Bytes& sdt = demo.FirstSection(0x0011, 0x42);
    std::vector<std::string> names;
    for (size_t at = 11; at + 4 < sdt.size() - 4;) {
        size_t loop = size_t((sdt[at + 3] & 0x0F) << 8 | sdt[at + 4]);
        EXPECT_EQ(sdt[at + 3] >> 5, 4) << "running";
        EXPECT_EQ(sdt[at + 3] >> 4 & 1, 0) << "free to air";
        const uint8_t* descriptor = &sdt[at + 5];
        EXPECT_EQ(descriptor[0], 0x48);
        const uint8_t* provider = descriptor + 3;
        EXPECT_EQ(Text(provider), "Korrix");
        names.push_back(std::to_string(descriptor[2]) + " " + Text(provider + 1 + provider[0]));
        at += 5 + loop;
    }
    EXPECT_EQ(names, (std::vector<std::string> { "1 Korrix One", "1 Korrix Two", "2 Korrix Radio" }));

    const ts::Bytes& nit = demo.FirstSection(0x0010, 0x40);
    EXPECT_EQ(nit[3] << 8 | nit[4], 0x3001);
    EXPECT_EQ(nit[10], 0x40);
    EXPECT_EQ(Text(&nit[11]), "Korrix Demo");
    ts::Bytes delivery { 0x5A, 11, 0x03, 0x04, 0x18, 0x40 }; // 506 MHz in units of 10 Hz
    EXPECT_NE(std::search(nit.begin(), nit.end(), delivery.begin(), delivery.end()), nit.end());

    const ts::Bytes& pmt = demo.FirstSection(0x0110, 0x02, 2);
    EXPECT_EQ((pmt[8] & 0x1F) << 8 | pmt[9], 0x0200) << "PCR PID";
    ts::Bytes audioDescription { 0x03, 0xE2, 0x03, 0xF0, 0x06, 0x0A, 0x04, 'e', 'n', 'g', 0x03 };
    EXPECT_NE(std::search(pmt.begin(), pmt.end(), audioDescription.begin(), audioDescription.end()), pmt.end());
    ts::Bytes subtitles { 0x06, 0xE2, 0x04, 0xF0, 0x0A, 0x59, 0x08, 'e', 'n', 'g', 0x10, 0x00, 0x01, 0x00, 0x01 };
    EXPECT_NE(std::search(pmt.begin(), pmt.end(), subtitles.begin(), subtitles.end()), pmt.end());
}

TEST(DemoMultiplex, EventsSurroundTheMomentAndClocksCountFromIt)
{
    Demo demo;
    for (uint8_t number : { 0, 1 }) {
        for (const ts::ReadSection& section : demo.reader.Sections(0x0012)) {
            const ts::Bytes& eit = section.bytes;
            if (eit[6] != number)
                continue;
            ASSERT_GT(eit.size(), 14u + 12u + 4u) << "every service has present and following events";
            const uint8_t* event = &eit[14];
            ts::DvbTime start { uint16_t(event[2] << 8 | event[3]),
                uint32_t(event[4] << 16 | event[5] << 8 | event[6]) };
            ts::DvbTime now = ts::DvbTime::FromUnix(DemoStream::MOMENT);
            bool startsLater = start.mjd > now.mjd || (start.mjd == now.mjd && start.bcd > now.bcd);
            EXPECT_EQ(event[10] >> 5, number == 0 ? 4 : 1) << "running status";
            EXPECT_EQ(startsLater, number == 1) << "present has begun, following has not";
            EXPECT_EQ(event[12], 0x4D) << "short event descriptor";
            EXPECT_EQ(std::string(event + 14, event + 17), "eng");
        }
    }
    for (const ts::ReadSection& section : demo.reader.Sections(0x0014)) {
        ts::DvbTime sent { uint16_t(section.bytes[3] << 8 | section.bytes[4]),
            uint32_t(section.bytes[5] << 16 | section.bytes[6] << 8 | section.bytes[7]) };
        int64_t seconds = demo.stream.PacketTime(section.packetIndex) / 27000000;
        EXPECT_EQ(sent.bcd, ts::DvbTime::FromUnix(DemoStream::MOMENT + seconds).bcd);
    }
}

TEST(DemoMultiplex, EverySubtitleIsFollowedByItsClearingDisplaySet)
{
    Demo demo;
    const auto& sets = demo.reader.PesPackets(0x0204);
    size_t cues = 0;
    for (const SubtitleCue& cue : demo.stream.description.cues)
        cues += cue.pid == 0x0204;
    ASSERT_EQ(sets.size(), 2 * cues);
    for (size_t i = 0; i < sets.size(); ++i) {
        const ts::Bytes& data = sets[i].pes.data;
        ASSERT_GE(data.size(), 10u);
        // The page composition comes first; a clearing one references no region.
        EXPECT_EQ(data[3], 0x10);
        size_t pageLength = size_t(data[6] << 8 | data[7]);
        EXPECT_EQ(pageLength == 2, i % 2 == 1) << "display set " << i;
        EXPECT_TRUE(sets[i].pes.dataAlignment);
    }
}
