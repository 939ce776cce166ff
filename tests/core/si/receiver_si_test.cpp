#include "SITestHelpers.h"
#include "core/stream/StreamTestSupport.h"
#include "plugin/DVBComponentDefinition.h"
#include "si/DVBProgram.h"
#include "si/DVBSICollector.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <utility>

using namespace si_test;

namespace {

constexpr uint16_t TSID = 0x0401;

// Section bytes on their PIDs, written as one stream in the order added.
class StreamBuilder
{
public:
    StreamBuilder& Add(uint16_t pid, const ts::Bytes& section)
    {
        ts::SectionWriter(m_out, pid).Write(section);
        return *this;
    }
    ts::Bytes Take() { return m_out.TakeData(); }

private:
    ts::TsPacketWriter m_out;
};

ts::Bytes ThreeProgramPat()
{
    return ts::PatSection(TSID, { { 1, 0x100 }, { 0, 0x10 }, { 2, 0x200 }, { 3, 0x300 } });
}

ts::Bytes Pmt(uint16_t program, uint8_t version = 0)
{
    const uint16_t base = uint16_t(program * 0x100);
    return ts::PmtSection(program, uint16_t(base + 1), {},
        { { 2, uint16_t(base + 1), {} }, { 3, uint16_t(base + 2), ts::Iso639LanguageDescriptor("eng", 3) },
            { 6, uint16_t(base + 3), ts::SubtitlingDescriptor({ { "eng" } }) } },
        version);
}

ts::Bytes Sdt(uint8_t tableId = 0x42, uint16_t tsid = TSID)
{
    return ts::SdtSection(tsid, 0x233A, { Service(1, "One"), Service(2, "Two"), Service(3, "Three") }, 0, tableId);
}

ts::Bytes EitNowNext(uint16_t service, uint8_t tableId = 0x4E)
{
    ts::EitHeader header;
    header.tableId = tableId;
    header.serviceId = service;
    header.transportStreamId = TSID;
    ts::EitEvent now, next;
    now.start = { 0xC079, 0x124500 };
    now.durationBcd = 0x013000;
    now.runningStatus = 4;
    now.descriptors = ts::ShortEventDescriptor("eng", "News", "Headlines");
    next.start = { 0xC079, 0x141500 };
    next.durationBcd = 0x004500;
    next.runningStatus = 1;
    next.descriptors = ts::ShortEventDescriptor("eng", "Film", "A film");
    return ts::EitSection(header, { now, next });
}

std::pair<unsigned short, int> Update(unsigned short id, int type)
{
    return { id, type };
}

class ReceiverSITest : public ::testing::Test
{
protected:
    ReceiverSITest() { receiver.Start(); }

    void Process(ts::Bytes stream) { receiver.ProcessBuffer(stream.data(), static_cast<unsigned long>(stream.size())); }
    std::vector<std::pair<unsigned short, int>> DrainUpdates()
    {
        std::vector<std::pair<unsigned short, int>> drained;
        unsigned short id;
        int type;
        while (updates.RemoveUpdate(id, type))
            drained.emplace_back(id, type);
        return drained;
    }
    // Deletes receivers of the type from the PID until none is left; how many there were.
    int CountAndDelete(unsigned short pid, int type)
    {
        int count = 0;
        while (receiver.DeletePIDReceiver(pid, type))
            ++count;
        return count;
    }

    TimeZone zone { "UTC" };
    CDVBStandardTSUpdateHandler updates;
    CTestableReceiver receiver { nullptr, &updates };
};

} // namespace

TEST_F(ReceiverSITest, StartPutsOneSIReceiverOnEachFixedPID)
{
    receiver.Start();
    for (unsigned short pid : { 0x00, 0x10, 0x11, 0x12, 0x14 }) {
        EXPECT_FALSE(receiver.AddSIReceiverIfNotPresent(pid)) << pid;
        EXPECT_EQ(CountAndDelete(pid, DVB_RECEIVER_SI), 1) << pid;
    }
    EXPECT_FALSE(receiver.HasPIDReceiver(0x13, DVB_RECEIVER_SI));
}

TEST_F(ReceiverSITest, PATCreatesProgrammesAndListensOnTheirPMTAndNetworkPIDs)
{
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation());
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Take());
    EXPECT_EQ(DrainUpdates(),
        (std::vector<std::pair<unsigned short, int>> {
            { 1, DVB_UPDATE_PAT }, { 2, DVB_UPDATE_PAT }, { 3, DVB_UPDATE_PAT } }));
    {
        CSingleLock lock(receiver.GetProgramsSection(), true);
        ASSERT_EQ(receiver.GetProgramsList()->GetCount(), 3u);
        EXPECT_EQ(receiver.GetProgram(2)->GetPMTPID(), 0x200);
        EXPECT_EQ(receiver.GetProgram(2)->GetTransportStreamIdFromPAT(), TSID);
        EXPECT_EQ(receiver.GetProgram(0), nullptr);
    }
    for (unsigned short pid : { 0x100, 0x200, 0x300 })
        EXPECT_TRUE(receiver.HasPIDReceiver(pid, DVB_RECEIVER_SI)) << pid;
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation());

    // A second PAT (a new version) naming the same PIDs adds no second SI receiver.
    Process(StreamBuilder().Add(0x00, ts::PatSection(TSID, { { 1, 0x100 }, { 0, 0x10 } }, 1)).Take());
    EXPECT_EQ(CountAndDelete(0x100, DVB_RECEIVER_SI), 1);
    EXPECT_EQ(CountAndDelete(0x10, DVB_RECEIVER_SI), 1);
}

TEST_F(ReceiverSITest, BasicServiceInformationIsCompleteOncePMTsAndSDTHaveArrived)
{
    Process(
        StreamBuilder().Add(0x00, ThreeProgramPat()).Add(0x100, Pmt(1)).Add(0x200, Pmt(2)).Add(0x300, Pmt(3)).Take());
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation());
    Process(StreamBuilder().Add(0x11, Sdt()).Take());
    EXPECT_TRUE(receiver.HasCompleteBasicServiceInformation());

    CSingleLock lock(receiver.GetProgramsSection(), true);
    const CDVBProgram* two = receiver.GetProgram(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->GetServiceName(), "Two");
    EXPECT_EQ(two->GetPCRPID(), 0x201);
    EXPECT_EQ(two->GetElements().GetCount(), 3u);
    EXPECT_EQ(two->GetServiceTypeFromPMT(), DVB_SERVICE_TELEVISION);
}

TEST_F(ReceiverSITest, APATWithoutProgrammesIsCompleteAtOnce)
{
    Process(StreamBuilder().Add(0x00, ts::PatSection(TSID, { { 0, 0x10 } })).Take());
    EXPECT_TRUE(receiver.HasCompleteBasicServiceInformation());
    EXPECT_TRUE(receiver.HasPIDReceiver(0x10, DVB_RECEIVER_SI));
    EXPECT_TRUE(DrainUpdates().empty());
}

TEST_F(ReceiverSITest, AServiceFirstSeenInTheSDTWaitsForItsPMT)
{
    Process(StreamBuilder().Add(0x11, Sdt()).Take());
    {
        CSingleLock lock(receiver.GetProgramsSection(), true);
        const CDVBProgram* one = receiver.GetProgram(1);
        ASSERT_NE(one, nullptr);
        EXPECT_FALSE(one->HasSeenPAT());
        EXPECT_EQ(one->GetPMTPID(), 0xFFFF);
    }
    Process(StreamBuilder().Add(0x00, ts::PatSection(TSID, { { 1, 0x100 } })).Take());
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation()); // 2 and 3 have no PMT either
    Process(StreamBuilder().Add(0x100, Pmt(1)).Add(0x11, Pmt(2)).Add(0x11, Pmt(3)).Take());
    EXPECT_TRUE(receiver.HasCompleteBasicServiceInformation());
}

TEST_F(ReceiverSITest, PMTPutsOnePCRReceiverOnThePCRPID)
{
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Add(0x100, Pmt(1)).Add(0x100, Pmt(1, 1)).Take());
    EXPECT_NE(receiver.GetPCRReceiver(1), nullptr);
    EXPECT_EQ(CountAndDelete(0x101, DVB_RECEIVER_PCR), 1);
    // The same PMT twice (a changed CRC) is two updates; nothing merges them.
    const auto drained = DrainUpdates();
    ASSERT_EQ(drained.size(), 5u);
    EXPECT_EQ(drained[3], Update(1, DVB_UPDATE_PMT));
    EXPECT_EQ(drained[4], Update(1, DVB_UPDATE_PMT));
}

TEST_F(ReceiverSITest, SDTOfAnotherStreamAndScheduleEITCreateNoProgrammes)
{
    Process(StreamBuilder()
                .Add(0x11, Sdt(0x46, 0x0999))
                .Add(0x12, EitNowNext(7, 0x50))
                .Add(0x12, EitNowNext(8, 0x4F))
                .Take());
    CSingleLock lock(receiver.GetProgramsSection(), true);
    EXPECT_TRUE(receiver.GetProgramsList()->IsEmpty());
    EXPECT_TRUE(DrainUpdates().empty());
}

TEST_F(ReceiverSITest, PresentFollowingEITGivesNowAndNext)
{
    Process(StreamBuilder().Add(0x11, Sdt()).Add(0x12, EitNowNext(2)).Take());
    CDVBScheduleEntry now, next;
    ASSERT_EQ(receiver.GetNowAndNextInformation(2, &now, &next), DVB_HAS_NOW | DVB_HAS_NEXT);
    EXPECT_EQ(now.m_title, "News");
    EXPECT_EQ(now.m_startTimeText, "12:45");
    EXPECT_EQ(next.m_title, "Film");
    EXPECT_EQ(receiver.GetNowAndNextInformation(1, &now, &next), 0);
    EXPECT_EQ(receiver.GetNowAndNextInformation(99, &now, &next), 0);
    const auto drained = DrainUpdates();
    ASSERT_FALSE(drained.empty());
    EXPECT_EQ(drained.back(), Update(2, DVB_UPDATE_EIT));
}

TEST_F(ReceiverSITest, ComponentDefinitionsDescribeTheElement)
{
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Add(0x100, Pmt(1)).Take());
    CDVBComponentDefinition definition;
    ASSERT_TRUE(receiver.GetComponentDefinition(1, 0x102, &definition));
    EXPECT_EQ(definition.GetDescription(), "audio description (eng)");
    EXPECT_EQ(definition.GetPID(), 0x102);
    EXPECT_EQ(definition.GetProgramNumber(), 1);
    ASSERT_TRUE(receiver.GetComponentDefinition(1, 0x103, &definition));
    EXPECT_EQ(definition.GetDescription(), "subtitles (eng)");

    definition.SetDescription("kept");
    EXPECT_FALSE(receiver.GetComponentDefinition(1, 0x1FF, &definition));
    EXPECT_EQ(definition.GetPID(), 0x1FF);
    EXPECT_EQ(definition.GetDescription(), "kept");
    EXPECT_FALSE(receiver.GetComponentDefinition(9, 0x101, &definition));
    EXPECT_EQ(definition.GetProgramNumber(), 9);
}

TEST_F(ReceiverSITest, TimeTablesAreReportedEveryTime)
{
    DebugCapture debug;
    const ts::Bytes tdt = ts::TdtSection({ 0xC079, 0x124500 });
    Process(StreamBuilder().Add(0x14, tdt).Add(0x14, tdt).Take());
    EXPECT_EQ(debug.lines, "TDT 13/10/1993 12:45:00.\nTDT 13/10/1993 12:45:00.\n");
    debug.lines.clear();
    Process(StreamBuilder().Add(0x14, ts::TotSection({ 0xC079, 0x235959 }, {})).Take());
    EXPECT_EQ(debug.lines, "ok TOT 1.\nTOT 13/10/1993 23:59:59.\n");
}

TEST_F(ReceiverSITest, OtherTablesAreStoredButChangeNothing)
{
    ts::LongSectionHeader cat;
    cat.tableId = 0x01;
    Process(
        StreamBuilder().Add(0x01, ts::SectionWriter::BuildLong(cat, {})).Add(0x10, ts::NitSection(1, {}, {})).Take());
    receiver.AddSIReceiverIfNotPresent(0x01);
    Process(StreamBuilder().Add(0x01, ts::SectionWriter::BuildLong(cat, {})).Take());
    CSingleLock lock(receiver.GetProgramsSection(), true);
    EXPECT_TRUE(receiver.GetProgramsList()->IsEmpty());
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation());
}

namespace {
// Service 1 and 2 of this stream are numbered (2 hidden); another stream of
// the network numbers services of the same ids differently.
ts::Bytes ChannelNit(uint8_t tableId = 0x40, uint16_t oneNumber = 7, uint8_t version = 0)
{
    return ts::NitSection(0x3001, {},
        { { 0x0999, 1, ts::LogicalChannelDescriptor({ { 1, 90, true }, { 3, 91, true } }) },
            { TSID, 1,
                ts::Concat({ ts::LogicalChannelListsDescriptor({ { 1, "North", "NOR", { { 1, oneNumber, true } } },
                                 { 2, "South", "NOR", { { 1, 60, true }, { 2, 61, true } } } }),
                    ts::LogicalChannelDescriptor({ { 2, 800, false } }) }) } },
        version, tableId);
}

std::vector<std::tuple<int, int, bool>> Numbers(CTestableReceiver& receiver)
{
    std::vector<std::tuple<int, int, bool>> numbers;
    CSingleLock lock(receiver.GetProgramsSection(), true);
    for (const CDVBProgram* program : *receiver.GetProgramsList())
        numbers.emplace_back(program->GetProgramNumber(), program->GetChannelNumber(), program->IsVisible());
    return numbers;
}
} // namespace

TEST_F(ReceiverSITest, TheNetworksNITNumbersTheServicesOfThisStreamWhicheverCameFirst)
{
    using N = std::tuple<int, int, bool>;
    // Before the PAT nothing says which stream is this one.
    Process(StreamBuilder().Add(0x10, ChannelNit()).Take());
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Take());
    EXPECT_EQ(Numbers(receiver), (std::vector<N> { { 1, 7, true }, { 2, 61, true }, { 3, -1, true } }));
    auto drained = DrainUpdates();
    EXPECT_EQ(std::count(drained.begin(), drained.end(), Update(1, DVB_UPDATE_NIT)), 1);
    EXPECT_EQ(std::count(drained.begin(), drained.end(), Update(3, DVB_UPDATE_NIT)), 0);

    // The same numbers again tell nobody; a changed one tells its service alone.
    Process(StreamBuilder().Add(0x10, ChannelNit(0x40, 7, 1)).Take());
    EXPECT_TRUE(DrainUpdates().empty());
    Process(StreamBuilder().Add(0x10, ChannelNit(0x40, 12, 2)).Take());
    EXPECT_EQ(DrainUpdates(), (std::vector<std::pair<unsigned short, int>> { Update(1, DVB_UPDATE_NIT) }));
    EXPECT_EQ(Numbers(receiver), (std::vector<N> { { 1, 12, true }, { 2, 61, true }, { 3, -1, true } }));
}

TEST_F(ReceiverSITest, AnotherNetworksNITAndResetLeaveNoNumbers)
{
    using N = std::tuple<int, int, bool>;
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Add(0x10, ChannelNit(0x41)).Take());
    EXPECT_EQ(Numbers(receiver), (std::vector<N> { { 1, -1, true }, { 2, -1, true }, { 3, -1, true } }));
    Process(StreamBuilder().Add(0x10, ChannelNit()).Take());
    receiver.Reset();
    receiver.Start();
    Process(StreamBuilder().Add(0x00, ThreeProgramPat()).Take());
    EXPECT_EQ(Numbers(receiver), (std::vector<N> { { 1, -1, true }, { 2, -1, true }, { 3, -1, true } }));
}

TEST_F(ReceiverSITest, ResetForgetsProgrammesAndThePAT)
{
    Process(StreamBuilder().Add(0x00, ts::PatSection(TSID, {})).Take());
    ASSERT_TRUE(receiver.HasCompleteBasicServiceInformation());
    receiver.Reset();
    EXPECT_FALSE(receiver.HasCompleteBasicServiceInformation());
    EXPECT_FALSE(receiver.HasPIDReceiver(0x00, DVB_RECEIVER_SI));
}

TEST(ReceiverSIWithoutHandler, WorksTheSameWithoutUpdateHandler)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.Start();
    ts::Bytes stream = StreamBuilder().Add(0x00, ThreeProgramPat()).Add(0x100, Pmt(1)).Add(0x11, Sdt()).Take();
    receiver.ProcessBuffer(stream.data(), static_cast<unsigned long>(stream.size()));
    CSingleLock lock(receiver.GetProgramsSection(), true);
    EXPECT_EQ(receiver.GetProgramsList()->GetCount(), 3u);
    EXPECT_EQ(receiver.GetProgram(1)->GetServiceName(), "One");
}

TEST(ReceiverSICollector, TheCollectorGetsEveryTableAndTheTick)
{
    TimeZone zone("UTC");
    char pattern[] = "/tmp/krx-receiver-XXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern);
    std::filesystem::create_directory(folder / "epg");
    {
        CDVBSICollector collector(folder.string() + "/");
        collector.EnableUpdates(true);
        CTestableReceiver receiver(nullptr, nullptr);
        receiver.SetSICollector(&collector);
        receiver.Start();
        ts::Bytes stream
            = StreamBuilder()
                  .Add(0x00, ThreeProgramPat())
                  .Add(0x100, Pmt(1))
                  .Add(0x11, Sdt())
                  .Add(0x11, ts::SdtSection(0x0999, 1, { Service(77, "Elsewhere") }, 0, 0x46))
                  .Add(0x12, EitNowNext(77, 0x50))
                  .Add(0x10, ts::NitSection(1, {}, { { 0x0999, 1, ts::TerrestrialDeliveryDescriptor({}) } }))
                  .Take();
        receiver.ProcessBuffer(stream.data(), static_cast<unsigned long>(stream.size()));
        receiver.OnEverySecond();
        {
            CSingleLock lock(collector.GetProgramsSection(), true);
            EXPECT_EQ(collector.GetProgramsList()->GetCount(), 4u);
            ASSERT_NE(collector.GetProgramsList()->Find(1), nullptr);
            EXPECT_TRUE(collector.GetProgramsList()->Find(1)->HasSeenPMT());
        }
        {
            CSingleLock lock(receiver.GetProgramsSection(), true);
            EXPECT_EQ(receiver.GetProgramsList()->GetCount(), 3u);
        }
        receiver.SetSICollector(nullptr);
    }
    std::ifstream file(folder / "epg" / "epg.xml");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("<transportstream id=\"2457\">\t\t<terrestrial"), std::string::npos);
    EXPECT_NE(text.str().find("id=\"77\" name=\"Elsewhere\""), std::string::npos);
    EXPECT_NE(text.str().find("<title>News</title>"), std::string::npos);
    std::filesystem::remove_all(folder);
}
