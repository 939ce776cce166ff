#include "SITestHelpers.h"
#include "si/DVBEITSection.h"
#include "si/DVBNITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBSICollector.h"
#include "si/DVBTDTSection.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace si_test;
namespace fs = std::filesystem;

namespace {

const char* const EMPTY_EXPORT = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<system>\n"
                                 "<transportstreams>\n"
                                 "</transportstreams>\n"
                                 "<services>\n"
                                 "</services>\n"
                                 "</system>\n";

ts::EitEvent Event(
    uint8_t status, ts::DvbTime start, uint32_t duration, const std::string& title, const std::string& text)
{
    ts::EitEvent event;
    event.start = start;
    event.durationBcd = duration;
    event.runningStatus = status;
    event.descriptors = ts::ShortEventDescriptor("eng", title, text);
    return event;
}

class CollectorTest : public ::testing::Test
{
protected:
    CollectorTest()
    {
        char pattern[] = "/tmp/krx-collector-XXXXXX";
        m_folder = mkdtemp(pattern);
        fs::create_directory(m_folder / "epg");
    }
    ~CollectorTest() override { fs::remove_all(m_folder); }

    CString Folder() const { return m_folder.string() + "/"; }
    fs::path ExportPath() const { return m_folder / "epg" / "epg.xml"; }
    bool ExportExists() const { return fs::exists(ExportPath()); }
    std::string Export() const
    {
        std::ifstream file(ExportPath(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    template <class T> std::unique_ptr<T> Section(const ts::Bytes& bytes)
    {
        auto section = ParseSection<T>(bytes);
        EXPECT_NE(section, nullptr);
        return section;
    }
    void PAT(CDVBSICollector& collector, uint16_t tsid, const std::vector<ts::PatEntry>& entries)
    {
        collector.OnReceivePAT(0, Section<CDVBPATSection>(ts::PatSection(tsid, entries)).get());
    }
    void SDT(
        CDVBSICollector& collector, uint16_t tsid, const std::vector<ts::SdtService>& services, uint8_t tableId = 0x42)
    {
        collector.OnReceiveSDT(0x11, Section<CDVBSDTSection>(ts::SdtSection(tsid, 1, services, 0, tableId)).get());
    }

    TimeZone m_zone { "UTC" };

private:
    fs::path m_folder;
};

} // namespace

TEST_F(CollectorTest, ConstructionWritesAnEmptyExport)
{
    CDVBSICollector collector(Folder());
    EXPECT_EQ(Export(), EMPTY_EXPORT);
}

TEST_F(CollectorTest, AMissingFolderWritesNothingAndDoesNotFail)
{
    CDVBSICollector collector(Folder() + "absent/");
    collector.EnableUpdates(true);
    PAT(collector, 1, { { 1, 0x100 } });
    collector.OnEverySecond();
    EXPECT_FALSE(fs::exists(fs::path(Folder()) / "absent"));
}

TEST_F(CollectorTest, AReaderOfTheExportSeesWholeFilesOnly)
{
    CDVBSICollector collector(Folder());
    std::ifstream reading(ExportPath(), std::ios::binary); // the guide page, part way through
    PAT(collector, 1, { { 1, 0x100 } });
    collector.Update();
    std::stringstream old;
    old << reading.rdbuf();
    EXPECT_EQ(old.str(), EMPTY_EXPORT) << "the file being read is not rewritten under its reader";
    EXPECT_NE(Export().find("id=\"1\""), std::string::npos);

    // An export that cannot take the old one's place leaves nothing behind.
    fs::remove(ExportPath());
    fs::create_directory(ExportPath());
    collector.Update();
    EXPECT_TRUE(fs::is_directory(ExportPath()));
    EXPECT_FALSE(fs::exists(ExportPath().string() + ".new"));
}

TEST_F(CollectorTest, NothingIsWrittenWhileUpdatesAreDisabled)
{
    CDVBSICollector collector(Folder());
    fs::remove(ExportPath());
    PAT(collector, 1, { { 1, 0x100 } });
    for (int tick = 0; tick < 12; ++tick)
        collector.OnEverySecond();
    EXPECT_FALSE(ExportExists());

    collector.EnableUpdates(true);
    collector.OnEverySecond();
    ASSERT_TRUE(ExportExists());
    EXPECT_NE(Export().find("id=\"1\""), std::string::npos);
}

TEST_F(CollectorTest, WritesAtMostOncePerFiveSecondsAndOnlyAfterAChange)
{
    CDVBSICollector collector(Folder());
    collector.EnableUpdates(true);
    collector.OnEverySecond(); // second 0: the constructor's write left nothing changed
    EXPECT_EQ(Export(), EMPTY_EXPORT);
    fs::remove(ExportPath());

    PAT(collector, 1, { { 1, 0x100 } });
    collector.OnEverySecond();
    SDT(collector, 1, { Service(1, "One") });
    collector.OnEverySecond();
    collector.OnEverySecond();
    collector.OnEverySecond();
    EXPECT_FALSE(ExportExists());
    collector.OnEverySecond(); // second 5
    ASSERT_TRUE(ExportExists());
    EXPECT_NE(Export().find("name=\"One\""), std::string::npos);

    fs::remove(ExportPath());
    for (int tick = 0; tick < 10; ++tick)
        collector.OnEverySecond();
    EXPECT_FALSE(ExportExists());
}

TEST_F(CollectorTest, ExportLayout)
{
    CDVBSICollector collector(Folder());
    PAT(collector, 0x0401, { { 0, 0x10 }, { 1, 0x100 }, { 2, 0x200 }, { 3, 0x300 } });
    collector.OnReceivePMT(
        0x100, Section<CDVBPMTSection>(ts::PmtSection(1, 0x101, {}, { { 2, 0x101, {} }, { 3, 0x102, {} } })).get());
    collector.OnReceivePMT(0x200, Section<CDVBPMTSection>(ts::PmtSection(2, 0x201, {}, { { 3, 0x201, {} } })).get());
    SDT(collector, 0x0401, { Service(1, "Tom & Jerry-Show/Two"), Service(2, "Radio <\"4\">\x05\xE9", true) });
    ts::TerrestrialDelivery delivery;
    delivery.centreFrequency = 0x0302B8B0;
    delivery.bandwidth = 3;
    delivery.constellation = 2;
    delivery.codeRateHp = 2;
    delivery.guardInterval = 2;
    delivery.transmissionMode = 1;
    collector.OnReceiveNIT(0x10,
        Section<CDVBNITSection>(
            ts::NitSection(0x3005, {}, { { 0x0401, 0x233A, ts::TerrestrialDeliveryDescriptor(delivery) } }))
            .get());
    ts::EitHeader now;
    now.serviceId = 1;
    now.transportStreamId = 0x0401;
    collector.OnReceiveEIT(0x12,
        Section<CDVBEITSection>(
            ts::EitSection(
                now, { Event(4, { 0xC079, 0x234500 }, 0x013000, "Late-News", "Today: \"all\" of it & more.") }))
            .get());
    ts::EitHeader next = now;
    next.serviceId = 2;
    collector.OnReceiveEIT(0x12,
        Section<CDVBEITSection>(ts::EitSection(next, { Event(1, { 0xC079, 0x124500 }, 0x004500, "Quiz", "Who?") }))
            .get());
    collector.Update();

    EXPECT_EQ(Export(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<system>\n"
        "<transportstreams>\n"
        "\t<transportstream id=\"1025\">\t\t<terrestrial frequency=\"50510000\" bandwidth=\"reserved 1\" "
        "constellation=\"64-QAM\" hierarchy=\"non-hierarchical\" coderateHP=\"3/4\" coderateLP=\"1/2\" "
        "guard=\"1/8\" transmissionmode=\"8k\" />\t</transportstream>\n"
        "</transportstreams>\n"
        "<services>\n"
        "\t<service tsid=\"1025\" id=\"1\" name=\"Tom &amp; Jerry-Show/Two\" sdttype=\"digital television "
        "service\" pmttype=\"digital television service\" access=\"free to air\">\n"
        "\t\t<scheduleitem status=\"now\" startDate=\"1993/10/13\" startTime=\"23:45\" endDate=\"1993/10/14\" "
        "endTime=\"01:15\" duration=\"1 hour, 30 mins\">\n"
        "\t\t\t<title>Late-News</title>\n"
        "\t\t\t<description>Today: &quot;all&quot; of it &amp; more.</description>\n"
        "\t\t</scheduleitem>\t</service>\n"
        "\t<service tsid=\"1025\" id=\"2\" name=\"Radio &lt;&quot;4&quot;&gt;Ø\" sdttype=\"digital television "
        "service\" "
        "pmttype=\"digital radio service\" access=\"encrypted\">\n"
        "\t\t<scheduleitem status=\"next\" startDate=\"1993/10/13\" startTime=\"12:45\" endDate=\"1993/10/13\" "
        "endTime=\"13:30\" duration=\"45 mins\">\n"
        "\t\t\t<title>Quiz</title>\n"
        "\t\t\t<description>Who?</description>\n"
        "\t\t</scheduleitem>\t</service>\n"
        "\t<service tsid=\"65535\" id=\"3\" name=\"Service 0003\" sdttype=\"unknown\" pmttype=\"unknown\" "
        "access=\"unknown\">\n"
        "\t</service>\n"
        "</services>\n"
        "</system>\n");
}

TEST_F(CollectorTest, AnSDTOfAnotherStreamAddsThatStreamAndItsServices)
{
    CDVBSICollector collector(Folder());
    PAT(collector, 0x0401, { { 1, 0x100 } });
    SDT(collector, 0x0402, { Service(9, "Elsewhere") }, 0x46);
    collector.Update();
    const std::string text = Export();
    EXPECT_NE(text.find("<transportstream id=\"1025\">"), std::string::npos);
    EXPECT_NE(text.find("<transportstream id=\"1026\">"), std::string::npos);
    EXPECT_NE(text.find("tsid=\"1026\" id=\"9\" name=\"Elsewhere\""), std::string::npos);
    ASSERT_NE(collector.GetTransportStreamsList()->Find(0x0402), nullptr);
    EXPECT_TRUE(collector.GetTransportStreamsList()->Find(0x0402)->HasSeenSDT());

    // The stream the user opened is written with the multiplex's name.
    collector.NameTransportStream(0x0401, "Demo & \"Friends\"");
    collector.Update();
    EXPECT_NE(Export().find("<transportstream id=\"1025\" name=\"Demo &amp; &quot;Friends&quot;\">"), std::string::npos)
        << Export();
    EXPECT_NE(Export().find("<transportstream id=\"1026\">"), std::string::npos);
}

TEST_F(CollectorTest, OneServiceIdOnTwoStreamsIsWrittenOnce)
{
    CDVBSICollector collector(Folder());
    SDT(collector, 0x0401, { Service(5, "First") });
    SDT(collector, 0x0402, { Service(5, "Second") }, 0x46);
    collector.Update();
    const std::string text = Export();
    EXPECT_EQ(text.find("id=\"5\""), text.rfind("id=\"5\""));
    EXPECT_NE(text.find("tsid=\"1026\" id=\"5\" name=\"Second\""), std::string::npos);
    EXPECT_EQ(collector.GetProgramsList()->GetCount(), 1u);
}

TEST_F(CollectorTest, ANITWithoutEntriesStillCountsAsAChange)
{
    CDVBSICollector collector(Folder());
    collector.EnableUpdates(true);
    collector.OnEverySecond();
    fs::remove(ExportPath());
    collector.OnReceiveNIT(0x10, Section<CDVBNITSection>(ts::NitSection(1, {}, {})).get());
    for (int tick = 1; tick <= 5; ++tick)
        collector.OnEverySecond();
    EXPECT_TRUE(ExportExists());
}

TEST(DVBSICollectorXMLText, DecodesEscapesAndDropsWhatXMLForbids)
{
    EXPECT_EQ(CDVBSICollector::XMLText("M\xC2"
                                       "et\xC2"
                                       "eo 2 & \"Tom\" <Jerry> #1 +"),
        "Météo 2 &amp; &quot;Tom&quot; &lt;Jerry&gt; #1 +");
    // A vertical tab as table byte selects ISO 8859-15; inside the text it is dropped.
    EXPECT_EQ(CDVBSICollector::XMLText("\x0BTG2 \xA4\x0B\tGIORNO"), "TG2 €\tGIORNO");
    EXPECT_EQ(CDVBSICollector::XMLText(CString("a") + CString(1, '\0') + "\x01\x1F\r\nb"), "a\r\nb");
    // U+FFFF, a noncharacter XML does not allow, arriving as UTF-8.
    EXPECT_EQ(CDVBSICollector::XMLText("\x15x\xEF\xBF\xBFy"), "xy");
}

TEST_F(CollectorTest, TheGuideKeepsEachServicesScheduleUntilTheBroadcastClockPassesItsEvents)
{
    CDVBSICollector collector(Folder());
    ts::EitHeader header;
    header.tableId = 0x50;
    header.serviceId = 1;
    header.transportStreamId = 0x0401;
    header.originalNetworkId = 0x233A;
    header.lastSectionNumber = 0;
    collector.OnReceiveSDT(0x11, Section<CDVBSDTSection>(ts::SdtSection(0x0401, 0x233A, { Service(1, "One") })).get());
    ts::EitEvent noon = Event(1, { 0xC079, 0x120000 }, 0x010000, "Noon", "");
    ts::EitEvent one = Event(1, { 0xC079, 0x130000 }, 0x010000, "One o'clock", "");
    noon.eventId = 1;
    one.eventId = 2;
    collector.OnReceiveEIT(0x12, Section<CDVBEITSection>(ts::EitSection(header, { noon, one })).get());
    header.serviceId = 2;
    header.tableId = 0x60; // another transport stream's schedule
    header.transportStreamId = 0x0402;
    collector.OnReceiveEIT(0x12,
        Section<CDVBEITSection>(ts::EitSection(header, { Event(1, { 0xC079, 0x140000 }, 0x010000, "Two", "") })).get());

    std::vector<CDVBGuideService> guide = collector.GetGuide();
    ASSERT_EQ(guide.size(), 2u);
    EXPECT_EQ(guide[0].name, "One");
    EXPECT_EQ(guide[1].transportStreamId, 0x0402);
    EXPECT_EQ(guide[0].events.size() + guide[1].events.size(), 3u);

    collector.OnReceiveTDT(0x14, Section<CDVBTDTSection>(ts::TdtSection({ 0xC079, 0x133000 })).get());
    guide = collector.GetGuide();
    ASSERT_EQ(guide[0].events.size(), 1u) << "noon's event has ended";
    EXPECT_EQ(guide[0].events[0].title, "One o'clock");
    EXPECT_EQ(guide[1].events.size(), 1u);
}
