#include "SectionFilter.h"
#include "SimDemux.h"

#include "tswriter/Crc32Mpeg2.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dvbsim;

namespace {

constexpr size_t PACKET = 188;

std::vector<ts::Bytes> Sections()
{
    std::vector<ts::PatEntry> many;
    for (uint16_t i = 1; i <= 120; ++i)
        many.push_back({ i, uint16_t(0x100 + i) });
    return {
        ts::PatSection(1, many), // spans three packets; the others start in the third
        ts::PatSection(2, { { 1, 0x100 } }),
        ts::PatSection(3, { { 1, 0x100 } }, 5),
    };
}

ts::Bytes Packed(uint16_t pid, const std::vector<ts::Bytes>& sections)
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, pid).WritePacked(sections);
    return out.TakeData();
}

std::vector<ts::Bytes> Assemble(const ts::Bytes& packets)
{
    SectionAssembler assembler;
    std::vector<ts::Bytes> found;
    for (size_t offset = 0; offset < packets.size(); offset += PACKET)
        assembler.Feed(packets.data() + offset, [&](const std::vector<uint8_t>& section) { found.push_back(section); });
    return found;
}

dmx_sct_filter_params Filter(uint16_t pid, std::vector<std::array<uint8_t, 3>> bytes = {}, uint32_t flags = 0)
{
    dmx_sct_filter_params params {};
    params.pid = pid;
    params.flags = flags;
    for (size_t i = 0; i < bytes.size(); ++i) {
        params.filter.filter[i] = bytes[i][0];
        params.filter.mask[i] = bytes[i][1];
        params.filter.mode[i] = bytes[i][2];
    }
    return params;
}

struct Sink : DemuxSink {
    ts::Bytes dvr;
    std::map<int, std::vector<ts::Bytes>> filters;
    void ToDvr(const uint8_t* data, size_t size) override { dvr.insert(dvr.end(), data, data + size); }
    void ToFilter(int filter, const uint8_t* data, size_t size) override
    {
        filters[filter].emplace_back(data, data + size);
    }
};

dmx_pes_filter_params Pes(uint16_t pid, dmx_output output)
{
    dmx_pes_filter_params params {};
    params.pid = pid;
    params.output = output;
    params.pes_type = DMX_PES_OTHER;
    return params;
}

} // namespace

TEST(SectionAssembler, GathersPackedSectionsAndDropsOnlyTheOneALostPacketSpoils)
{
    const std::vector<ts::Bytes> sections = Sections();
    ts::Bytes packets = Packed(0, sections);
    ASSERT_EQ(packets.size(), 3 * PACKET);
    EXPECT_EQ(Assemble(packets), sections);

    // Every packet twice: the repeats add nothing.
    ts::Bytes doubled;
    for (size_t offset = 0; offset < packets.size(); offset += PACKET)
        for (int twice = 0; twice < 2; ++twice)
            doubled.insert(doubled.end(), packets.begin() + offset, packets.begin() + offset + PACKET);
    EXPECT_EQ(Assemble(doubled), sections);

    // The second packet lost: the long section is gone, the two after it come whole.
    ts::Bytes lost(packets.begin(), packets.begin() + PACKET);
    lost.insert(lost.end(), packets.begin() + 2 * PACKET, packets.end());
    EXPECT_EQ(Assemble(lost), std::vector<ts::Bytes>(sections.begin() + 1, sections.end()));
}

TEST(SectionFilter, MatchesTableIdAndHeaderBytesPositivelyAndNegatively)
{
    const ts::Bytes pat = Sections()[2]; // transport stream id 3 (bytes 3-4), version 5 (byte 5)
    EXPECT_TRUE(SectionFilter(Filter(0)).Matches(pat));
    EXPECT_TRUE(SectionFilter(Filter(0, { { 0x00, 0xFF, 0 } })).Matches(pat));
    EXPECT_FALSE(SectionFilter(Filter(0, { { 0x42, 0xFF, 0 } })).Matches(pat));
    // Filter byte 1 is section byte 3: the length bytes are skipped.
    EXPECT_TRUE(SectionFilter(Filter(0, { { 0x00, 0xFF, 0 }, { 0x00, 0xFF, 0 }, { 0x03, 0xFF, 0 } })).Matches(pat));
    EXPECT_FALSE(SectionFilter(Filter(0, { { 0x00, 0xFF, 0 }, { 0x00, 0xFF, 0 }, { 0x04, 0xFF, 0 } })).Matches(pat));
    // Negative mode: "any version but 5" refuses it, "any but 4" takes it.
    uint8_t version5 = pat[5] & 0x3E;
    EXPECT_FALSE(SectionFilter(Filter(0, { {}, {}, {}, { version5, 0x3E, 0xFF } })).Matches(pat));
    EXPECT_TRUE(SectionFilter(Filter(0, { {}, {}, {}, { uint8_t(4 << 1), 0x3E, 0xFF } })).Matches(pat));
}

TEST(SectionFilter, ChecksTheCrcOnlyWhenAskedAndOnlyOnLongSections)
{
    ts::Bytes pat = Sections()[1];
    pat[8] ^= 1;
    EXPECT_TRUE(SectionFilter(Filter(0)).Matches(pat));
    EXPECT_FALSE(SectionFilter(Filter(0, {}, DMX_CHECK_CRC)).Matches(pat));
    ts::Bytes tdt = ts::SectionWriter::BuildShort(0x70, { 1, 2, 3, 4, 5 }, false);
    EXPECT_TRUE(SectionFilter(Filter(0x14, {}, DMX_CHECK_CRC)).Matches(tdt));
}

TEST(SimDemux, TapsTheWholeStreamOrChosenPidsIntoDvrOnce)
{
    ts::Bytes stream = Packed(0, Sections());
    ts::Bytes other = Packed(0x11, { ts::PatSection(9, {}) });
    stream.insert(stream.end(), other.begin(), other.end());

    SimDemux demux;
    Sink sink;
    ASSERT_EQ(demux.SetPesFilter(3, Pes(0x11, DMX_OUT_TS_TAP)), 0);
    demux.Dispatch(stream.data(), stream.size(), sink);
    EXPECT_TRUE(sink.dvr.empty()) << "a filter not started passed packets";
    EXPECT_FALSE(demux.AnyRunning());

    ASSERT_EQ(demux.Start(3), 0);
    ASSERT_EQ(demux.SetPesFilter(4, Pes(0x11, DMX_OUT_TS_TAP)), 0);
    ASSERT_EQ(demux.Start(4), 0);
    demux.Dispatch(stream.data(), stream.size(), sink);
    EXPECT_EQ(sink.dvr, other) << "two filters on one PID must not double its packets";

    sink.dvr.clear();
    ASSERT_EQ(demux.AddPid(3, 0), 0);
    demux.Dispatch(stream.data(), stream.size(), sink);
    EXPECT_EQ(sink.dvr, stream);

    sink.dvr.clear();
    demux.Remove(4);
    ASSERT_EQ(demux.SetPesFilter(3, Pes(WHOLE_STREAM_PID, DMX_OUT_TS_TAP)), 0);
    ASSERT_EQ(demux.Start(3), 0);
    demux.Dispatch(stream.data(), stream.size(), sink);
    EXPECT_EQ(sink.dvr, stream);
    EXPECT_EQ(demux.AddPid(3, 0x2001), EINVAL);
    EXPECT_EQ(demux.Start(99), EINVAL);
}

TEST(SimDemux, HandsEachFilterWholeMatchingSectionsOrItsPesBytes)
{
    const std::vector<ts::Bytes> sections = Sections();
    ts::Bytes stream = Packed(0, sections);
    SimDemux demux;
    Sink sink;
    ASSERT_EQ(demux.SetSectionFilter(5, Filter(0, { { 0x00, 0xFF, 0 }, { 0x00, 0xFF, 0 }, { 0x02, 0xFF, 0 } })), 0);
    ASSERT_EQ(demux.SetSectionFilter(6, Filter(0, {}, DMX_ONESHOT | DMX_IMMEDIATE_START)), 0);
    ASSERT_EQ(demux.Start(5), 0);
    ASSERT_EQ(demux.SetPesFilter(7, Pes(0, DMX_OUT_TAP)), 0);
    ASSERT_EQ(demux.Start(7), 0);
    demux.Dispatch(stream.data(), stream.size(), sink);
    demux.Dispatch(stream.data(), stream.size(), sink);
    EXPECT_EQ(sink.filters[5], std::vector<ts::Bytes>({ sections[1], sections[1] }));
    EXPECT_EQ(sink.filters[6], std::vector<ts::Bytes>({ sections[0] })) << "a one-shot filter went on";
    // The payload of every packet, pointer field and stuffing included.
    ASSERT_EQ(sink.filters[7].size(), 2 * stream.size() / PACKET);
    EXPECT_EQ(sink.filters[7][0], ts::Bytes(stream.begin() + 4, stream.begin() + PACKET));
    EXPECT_TRUE(sink.dvr.empty());
    EXPECT_EQ(demux.SetSectionFilter(8, Filter(WHOLE_STREAM_PID)), EINVAL);
}
