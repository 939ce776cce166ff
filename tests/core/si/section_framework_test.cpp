#include "SITestHelpers.h"
#include "si/DVBCRC32.h"
#include "si/DVBPATSection.h"
#include "si/DVBSIReceiver.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace si_test;

namespace {

constexpr unsigned short PMT_PID = 0x100;

ts::Bytes Pat(uint8_t version = 0)
{
    return ts::PatSection(0x1234, { { 0, 0x10 }, { 1, PMT_PID }, { 2, 0x200 } }, version);
}

// A PMT long enough to need two packets.
ts::Bytes LongPmt(uint8_t version = 0)
{
    ts::Bytes descriptors;
    for (int i = 0; i < 40; ++i) {
        const ts::Bytes language = ts::Iso639LanguageDescriptor("eng");
        descriptors.insert(descriptors.end(), language.begin(), language.end());
    }
    return ts::PmtSection(1, 0x101, {}, { { 2, 0x101, {} }, { 3, 0x102, descriptors } }, version);
}

ts::Bytes Written(const std::vector<ts::Bytes>& sections, unsigned short pid, bool packed = false)
{
    ts::TsPacketWriter out;
    ts::SectionWriter writer(out, pid);
    if (packed) {
        writer.WritePacked(sections);
    } else {
        for (const ts::Bytes& section : sections)
            writer.Write(section);
    }
    return out.TakeData();
}

class SIReceiverTest : public ::testing::Test
{
protected:
    SIReceiverTest() { receiver.SetPID(PMT_PID); }

    RecordingSectionHandler handler;
    CDVBSIReceiver receiver { &handler };
};

} // namespace

TEST(DVBCRC32, MatchesTheMpeg2CheckValueAndLeavesNoResidueOverASection)
{
    const unsigned char check[] = { '1', '2', '3', '4', '5', '6', '7', '8', '9' };
    EXPECT_EQ(CalculateDVBCRC32(check, sizeof(check)), 0x0376E6E7u);
    const ts::Bytes pat = Pat();
    EXPECT_EQ(CalculateDVBCRC32(pat.data(), pat.size()), 0u);
    EXPECT_NE(CalculateDVBCRC32(pat.data(), pat.size() - 1), 0u);
}

TEST_F(SIReceiverTest, IsAnSIReceiverThatDeliversAWholeSectionWithItsPID)
{
    EXPECT_EQ(receiver.GetType(), DVB_RECEIVER_SI);
    Feed(receiver, Written({ Pat() }, PMT_PID));
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].pid, PMT_PID);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PAT);
    EXPECT_EQ(handler.added[0].tableIdExtension, 0x1234);
    auto* pat = dynamic_cast<CDVBPATSection*>(handler.last);
    ASSERT_NE(pat, nullptr);
    EXPECT_EQ(pat->GetEntries().GetCount(), 3u);
}

TEST_F(SIReceiverTest, AssemblesASectionSplitAcrossPackets)
{
    const ts::Bytes stream = Written({ LongPmt() }, PMT_PID);
    ASSERT_GE(stream.size(), 2 * ts::PACKET_SIZE);
    Feed(receiver, stream);
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PMT);
}

TEST_F(SIReceiverTest, ASectionStartingMidPacketFollowsTheTailOfThePreviousOne)
{
    // The PAT starts in the second packet, right after the PMT's tail.
    Feed(receiver, Written({ LongPmt(), Pat() }, PMT_PID, true));
    ASSERT_EQ(handler.added.size(), 2u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PMT);
    EXPECT_EQ(handler.added[1].kind, DVB_SECTION_PAT);
}

TEST_F(SIReceiverTest, EverySectionPackedIntoOnePacketIsDelivered)
{
    const ts::Bytes stream = Written(
        { Pat(), ts::PatSection(0x9999, { { 5, 0x500 } }), ts::PatSection(0x7777, { { 6, 0x600 } }) }, PMT_PID, true);
    ASSERT_EQ(stream.size(), ts::PACKET_SIZE);
    Feed(receiver, stream);
    ASSERT_EQ(handler.added.size(), 3u);
    EXPECT_EQ(handler.added[0].tableIdExtension, 0x1234);
    EXPECT_EQ(handler.added[1].tableIdExtension, 0x9999);
    EXPECT_EQ(handler.added[2].tableIdExtension, 0x7777);
}

TEST_F(SIReceiverTest, SectionsPackedAfterATailAreDeliveredAndOneLeftOpenCompletesLater)
{
    // The PMT's tail, two PATs, then a PMT that runs on into the next packets.
    Feed(receiver, Written({ LongPmt(), Pat(), ts::PatSection(0x9999, { { 5, 0x500 } }), LongPmt(1) }, PMT_PID, true));
    ASSERT_EQ(handler.added.size(), 4u);
    EXPECT_EQ(handler.added[1].tableIdExtension, 0x1234);
    EXPECT_EQ(handler.added[2].tableIdExtension, 0x9999);
    EXPECT_EQ(handler.added[3].kind, DVB_SECTION_PMT);
    EXPECT_EQ(handler.added[3].version, 1);
}

TEST_F(SIReceiverTest, StuffingAfterASectionIsIgnored)
{
    ts::Bytes stream = Written({ Pat(), Pat(1) }, PMT_PID);
    ASSERT_EQ(stream[ts::PACKET_SIZE - 1], 0xFF);
    Feed(receiver, stream);
    ASSERT_EQ(handler.added.size(), 2u);
    EXPECT_EQ(handler.added[1].version, 1);
}

TEST_F(SIReceiverTest, ALostPacketLosesTheSectionButNotTheNextOne)
{
    std::vector<ts::Bytes> packets = Packets(Written({ LongPmt(), Pat() }, PMT_PID));
    ASSERT_EQ(packets.size(), 3u); // PMT in two, then the PAT
    Feed(receiver, packets[0]);
    Feed(receiver, packets[2]);
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PAT);
}

TEST_F(SIReceiverTest, AUnitStartWithPointerZeroAbortsTheUnfinishedSection)
{
    std::vector<ts::Bytes> pmt = Packets(Written({ LongPmt() }, PMT_PID));
    Feed(receiver, pmt[0]);
    Feed(receiver, Written({ Pat() }, PMT_PID));
    Feed(receiver, pmt[1]); // the tail alone is no section
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PAT);
}

TEST_F(SIReceiverTest, APointerBeyondThePayloadMakesItAllContinuation)
{
    std::vector<ts::Bytes> pmt = Packets(Written({ LongPmt() }, PMT_PID));
    ts::Bytes second = pmt[1];
    // Unit start set and a pointer of 183 (the whole rest of the payload):
    // carry the PMT's tail one byte later.
    ASSERT_FALSE(second[1] & 0x40);
    second[1] |= 0x40;
    second.insert(second.begin() + 4, 183);
    second.resize(ts::PACKET_SIZE);
    Feed(receiver, pmt[0]);
    Feed(receiver, second);
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PMT);
}

TEST_F(SIReceiverTest, AWrongCRCIsDroppedAndTheStoredCopyStays)
{
    Feed(receiver, Written({ Pat() }, PMT_PID));
    ts::Bytes changed = Pat(3);
    changed[10] ^= 0x01;
    Feed(receiver, Written({ changed }, PMT_PID));
    ASSERT_EQ(handler.added.size(), 1u);
    ASSERT_EQ(receiver.GetSections().GetCount(), 1u);
    EXPECT_EQ((*receiver.GetSections().begin())->GetVersionNumber(), 0);
}

TEST_F(SIReceiverTest, ARepeatIsNotDeliveredButRefreshesLastSeen)
{
    Feed(receiver, Written({ Pat() }, PMT_PID));
    CDVBSISection* stored = *receiver.GetSections().begin();
    stored->SetLastSeen(0);
    Feed(receiver, Written({ Pat() }, PMT_PID));
    EXPECT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(receiver.GetSections().GetCount(), 1u);
    EXPECT_NE(stored->GetLastSeen(), 0u);
}

TEST_F(SIReceiverTest, AVersionChangeReplacesTheStoredSectionInPlace)
{
    Feed(receiver, Written({ LongPmt(0), Pat(0), LongPmt(1) }, PMT_PID));
    ASSERT_EQ(handler.added.size(), 3u);
    EXPECT_EQ(handler.added[2].version, 1);
    ASSERT_EQ(receiver.GetSections().GetCount(), 2u);
    EXPECT_EQ((*receiver.GetSections().begin())->GetKind(), DVB_SECTION_PMT);
    EXPECT_EQ((*receiver.GetSections().begin())->GetVersionNumber(), 1);
}

TEST_F(SIReceiverTest, SectionsAreToldApartByTableExtensionAndNumber)
{
    ts::LongSectionHeader header;
    header.tableId = 0x4E;
    header.tableIdExtension = 7;
    const ts::Bytes body(6, 0);
    ts::LongSectionHeader second = header;
    second.sectionNumber = 1;
    ts::LongSectionHeader other = header;
    other.tableIdExtension = 8;
    Feed(receiver,
        Written({ ts::SectionWriter::BuildLong(header, body), ts::SectionWriter::BuildLong(second, body),
                    ts::SectionWriter::BuildLong(other, body), ts::SectionWriter::BuildLong(header, body) },
            PMT_PID));
    EXPECT_EQ(handler.added.size(), 3u);
    EXPECT_EQ(receiver.GetSections().GetCount(), 3u);
}

TEST_F(SIReceiverTest, EveryShortFormTimeTableIsDeliveredEvenWhenIdentical)
{
    const ts::Bytes tdt = ts::TdtSection({ 0xC079, 0x124500 });
    Feed(receiver, Written({ tdt, tdt }, 0x14));
    ASSERT_EQ(handler.added.size(), 2u);
    EXPECT_EQ(handler.added[1].kind, DVB_SECTION_TDT);
    EXPECT_EQ(receiver.GetSections().GetCount(), 1u);
}

TEST_F(SIReceiverTest, AnUnknownShortFormTableIsIgnored)
{
    Feed(receiver, Written({ ts::SectionWriter::BuildShort(0x72, ts::Bytes(8, 0xAA), false) }, 0x14));
    EXPECT_TRUE(handler.added.empty());
    EXPECT_EQ(receiver.GetSections().GetCount(), 0u);
}

TEST_F(SIReceiverTest, AConditionalAccessTableIsStoredAsAGenericSection)
{
    ts::LongSectionHeader header;
    header.tableId = 0x01;
    header.tableIdExtension = 0xFFFF;
    Feed(receiver, Written({ ts::SectionWriter::BuildLong(header, { 0x09, 0x04, 0x01, 0x00, 0xE1, 0x23 }) }, 1));
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_GENERIC);
}

TEST_F(SIReceiverTest, ALongFormSectionTooShortForItsHeaderIsDropped)
{
    // section_length 4: nothing but a CRC, which is right.
    ts::Bytes section = { 0x00, 0xB0, 0x04 };
    const uint32_t crc = CalculateDVBCRC32(section.data(), section.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(uint8_t(crc >> shift));
    ASSERT_EQ(CalculateDVBCRC32(section.data(), section.size()), 0u);
    Feed(receiver, Written({ section, Pat() }, PMT_PID));
    ASSERT_EQ(handler.added.size(), 1u);
    EXPECT_EQ(handler.added[0].kind, DVB_SECTION_PAT);
}

TEST_F(SIReceiverTest, StartForgetsTheSectionInProgress)
{
    std::vector<ts::Bytes> pmt = Packets(Written({ LongPmt() }, PMT_PID));
    Feed(receiver, pmt[0]);
    receiver.Start();
    Feed(receiver, pmt[1]);
    EXPECT_TRUE(handler.added.empty());
}

TEST_F(SIReceiverTest, PacketsWithoutPayloadAreIgnored)
{
    ts::TsPacketWriter out;
    ts::PacketHeader header(PMT_PID, true);
    header.adaptationFieldControl = 2;
    out.WritePacket(header, ts::Bytes {});
    Feed(receiver, out.TakeData());
    Feed(receiver, Written({ Pat() }, PMT_PID));
    EXPECT_EQ(handler.added.size(), 1u);
}

TEST_F(SIReceiverTest, NoStoredSectionEverExpires)
{
    Feed(receiver, Written({ Pat(), LongPmt() }, PMT_PID));
    receiver.OnEverySecond();
    EXPECT_EQ(handler.expiries, 0);
    EXPECT_EQ(receiver.GetSections().GetCount(), 2u);
}
