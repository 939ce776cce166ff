#include "CliTest.h"

#include "core/si/SITestHelpers.h"
#include "platform/Event.h"
#include "support/TemporaryFolder.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

ts::EitEvent Event(uint8_t status, uint32_t bcdTime, const std::string& title, const std::string& text)
{
    ts::EitEvent event;
    event.start = { 0xC079, bcdTime };
    event.durationBcd = 0x013000;
    event.runningStatus = status;
    event.descriptors = ts::ShortEventDescriptor("eng", title, text);
    return event;
}

// Two services; the first announces present/following events and has them,
// the second has none. Its name begins with a character-table byte. With an
// orphan, the SDT also names a third service that has no PMT, so the service
// information is never complete.
CString Multiplex(bool orphan = false)
{
    ts::TsPacketWriter out;
    ts::SdtService one, two;
    one.serviceId = 1;
    one.descriptors = ts::ServiceDescriptor(1, "Provider", "One & Only");
    two.serviceId = 2;
    two.eitPresentFollowing = false;
    two.freeCaMode = true;
    two.descriptors = ts::ServiceDescriptor(2, "Provider", "\x05Radio\\Two");
    std::vector<ts::SdtService> services { one, two };
    if (orphan) {
        ts::SdtService three = two;
        three.serviceId = 3;
        three.descriptors = ts::ServiceDescriptor(1, "Provider", "Three");
        services.push_back(three);
    }
    ts::EitHeader header;
    header.serviceId = 1;
    header.transportStreamId = 0x0401;
    for (int repeat = 0; repeat < 20; ++repeat) {
        ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0401, { { 0, 0x10 }, { 1, 0x100 }, { 2, 0x200 } }));
        ts::SectionWriter(out, 0x100)
            .Write(
                ts::PmtSection(1, 0x101, {}, { { 2, 0x101, {} }, { 3, 0x102, ts::Iso639LanguageDescriptor("eng") } }));
        // Language codes that would be a terminal command, or not UTF-8, if printed as they are.
        ts::SectionWriter(out, 0x200)
            .Write(ts::PmtSection(2, 0x201, {},
                { { 3, 0x201, ts::Iso639LanguageDescriptor("\x1b[J") },
                    { 3, 0x202, ts::Iso639LanguageDescriptor("\xF7ng") } }));
        ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0401, 0x233A, services));
        ts::SectionWriter(out, 0x10).Write(
            ts::NitSection(0x3005, {}, { { 0x0401, 0x233A, ts::TerrestrialDeliveryDescriptor({}) } }));
        ts::SectionWriter(out, 0x12).WritePacked({ ts::EitSection(header,
            { Event(4, 0x124500,
                "M\xC2"
                "et\xC2"
                "eo",
                "Line one\nLine two & caf\xC2"
                "e\x8A"
                "Line three") }) });
        ts::EitHeader following = header;
        following.sectionNumber = 1;
        ts::SectionWriter(out, 0x12).Write(ts::EitSection(following, { Event(1, 0x141500, "Film", "A film") }));
        for (int i = 0; i < 50; ++i)
            out.WriteNullPacket();
    }
    return CString(out.Data().begin(), out.Data().end());
}

// One service whose schedule spans the night the clocks go forward in
// Berlin (2026-03-29, 01:00 UTC), with a descriptor of every kind XMLTV shows.
CString ScheduleAcrossTheClockChange()
{
    ts::EitEvent night;
    night.eventId = 1;
    night.start = { 0xEEC8, 0x003000 }; // 00:30 UTC for an hour and a half
    night.durationBcd = 0x013000;
    night.descriptors = ts::ShortEventDescriptor("deu", "Nacht & Nebel", "Ein Film");
    ts::Bytes more = ts::Descriptor(0x54, { 0x10, 0x00 }); // a film
    more.insert(more.end(), { 0x55, 4, 'D', 'E', 'U', 0x09 }); // from 12
    const ts::Bytes crid = ts::Descriptor(0x76, { 0x31 << 2, 4, '/', 'e', 'p', '1' });
    more.insert(more.end(), crid.begin(), crid.end());
    night.descriptors.insert(night.descriptors.end(), more.begin(), more.end());
    ts::EitEvent morning = night;
    morning.eventId = 2;
    morning.start = { 0xEEC8, 0x020000 };
    morning.durationBcd = 0x003000;
    morning.descriptors = ts::ShortEventDescriptor("deu",
        "\x15"
        "Frühstück",
        ""); // in UTF-8

    ts::TsPacketWriter out;
    ts::SdtService one;
    one.serviceId = 1;
    one.eitSchedule = true;
    one.descriptors = ts::ServiceDescriptor(1, "Provider", "Eins");
    ts::EitHeader header;
    header.tableId = 0x50;
    header.serviceId = 1;
    header.transportStreamId = 0x0401;
    header.originalNetworkId = 0x233A;
    header.lastSectionNumber = 0;
    for (int repeat = 0; repeat < 3; ++repeat) {
        ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0401, { { 1, 0x100 } }));
        ts::SectionWriter(out, 0x100).Write(ts::PmtSection(1, 0x101, {}, { { 2, 0x101, {} } }));
        ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0401, 0x233A, { one }));
        ts::SectionWriter(out, 0x12).Write(ts::EitSection(header, { night, morning }));
    }
    return CString(out.Data().begin(), out.Data().end());
}

class SICommandsTest : public CliTest
{
};

const CString kDemo = KRX_PROGRAM_FOLDER "demo/demo.ts";

} // namespace

TEST_F(SICommandsTest, RefuseArgumentsTheyDoNotKnow)
{
    const CString file = folder.Write("a.ts", Multiplex());
    struct Case {
        KRXCliArguments arguments;
        const char* complaint;
    };
    const Case cases[] = {
        { { "services" }, "'services' needs a file to read" },
        { { "services", file, "--seconds", "0" }, "not '0'" },
        { { "services", file, "--dir", "x" }, "unknown option '--dir'" },
        { { "services", file, file }, "'services' takes one file" },
        { { "epg" }, "'epg' needs a file to read, or '--input' and '--multiplex'" },
        { { "epg", "--input", "TT Budget DVB-T" }, "'--input' and '--multiplex' go together" },
        { { "epg", file, "--input", "TT Budget DVB-T", "--multiplex", "Mux 1" }, "a file or '--input', not both" },
        { { "epg", "--input", "TT Budget DVB-T", "--multiplex", "Mux 1", "--paced" }, "'--paced' is for a file" },
        { { "epg", file, "--dir" }, "'--dir' needs a value" },
        { { "epg", file, "--dir", "" }, "'--dir' needs a folder" },
        { { "epg", file, "--seconds", "x" }, "not 'x'" },
    };
    for (const Case& misuse : cases) {
        EXPECT_EQ(Run(misuse.arguments), KRX_CLI_MISUSED) << misuse.complaint;
        ExpectOneErrorLine(misuse.complaint);
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(SICommandsTest, ServicesPrintsEveryServiceOnceTheInformationIsComplete)
{
    si_test::TimeZone zone("UTC");
    const CString file = folder.Write("mux.ts", Multiplex());
    ASSERT_EQ(Run({ "services", file, "--seconds", "20" }), KRX_CLI_OK) << err.str();
    EXPECT_EQ(err.str(), ""); // complete, with now and next, before the time ran out
    EXPECT_EQ(out.str(),
        "Service 1: One & Only\n"
        "  Provider: Provider\n"
        "  Type: digital television service (SDT), digital television service (PMT)\n"
        "  Access: free to air\n"
        "  Now: 1993/10/13 12:45, 1 hour, 30 mins, Météo\n"
        "      Line one\n"
        "      Line two + café\n"
        "      Line three\n"
        "  Next: 1993/10/13 14:15, 1 hour, 30 mins, Film\n"
        "      A film\n"
        "  Components:\n"
        "    video (PID 257)\n"
        "    audio (eng) (PID 258)\n"
        "\n"
        "Service 2: Radio\\\\Two\n"
        "  Provider: Provider\n"
        "  Type: digital radio sound service (SDT), digital radio service (PMT)\n"
        "  Access: encrypted\n"
        "  Components:\n"
        "    audio (\\x1B[J) (PID 513)\n"
        "    audio (\\xF7ng) (PID 514)\n"
        "\n");
}

TEST_F(SICommandsTest, ServicesAndEpgFailAlikeOnAStreamWithoutServiceInformation)
{
    ts::TsPacketWriter writer;
    for (int i = 0; i < 100; ++i)
        writer.WriteNullPacket();
    const CString file = folder.Write("null.ts", CString(writer.Data().begin(), writer.Data().end()));
    const CString tiny = folder.Write("tiny.ts", "G");
    for (const KRXCliArguments& command : { KRXCliArguments { "services" }, { "epg", "--dir", folder.Path() } }) {
        const auto run = [&](const CString& path, KRXCliArguments more) {
            KRXCliArguments arguments = command;
            arguments.push_back(path);
            arguments.insert(arguments.end(), more.begin(), more.end());
            return Run(arguments);
        };
        EXPECT_EQ(run(file, {}), KRX_CLI_FAILED) << command[0];
        ExpectOneErrorLine("no service information found in the file");
        EXPECT_EQ(run(file, { "--seconds", "1", "--paced" }), KRX_CLI_FAILED) << command[0];
        ExpectOneErrorLine("no service information found in 1 seconds");
        // Nothing is played here.
        EXPECT_EQ(run(tiny, {}), KRX_CLI_FAILED) << command[0];
        ExpectOneErrorLine("cannot read '" + tiny + "': file too short for one transport packet");
    }
}

TEST_F(SICommandsTest, ServicesStopsAfterOnePassWhenTheInformationCanNeverBeComplete)
{
    // Read at the file's pace, this would take the whole million seconds:
    // the test's deadline stops it long before.
    const CString file = folder.Write("mux.ts", Multiplex(true));
    ASSERT_EQ(Run({ "services", file, "--seconds", "1000000" }), KRX_CLI_OK) << err.str();
    ExpectOneErrorLine("the service information found in the file is incomplete");
    EXPECT_THAT(out.str(), HasSubstr("Service 2: Radio\\\\Two\n"));
    EXPECT_THAT(out.str(), HasSubstr("Service 3: Three\n  Provider: Provider\n"));
}

TEST_F(SICommandsTest, ReadingAFileOnceGivesWhatPlayingItGives)
{
    ASSERT_EQ(Run({ "services", kDemo }), KRX_CLI_OK) << err.str();
    const CString once = out.str();
    ASSERT_EQ(Run({ "services", kDemo, "--paced" }), KRX_CLI_OK) << err.str();
    EXPECT_EQ(once, out.str());
    EXPECT_THAT(once, HasSubstr("Service 3: "));

    ASSERT_EQ(Run({ "epg", kDemo, "--dir", folder.Path() }), KRX_CLI_OK) << err.str();
    const CString onceXml = folder.Read("epg/epg.xml");
    ASSERT_EQ(Run({ "epg", kDemo, "--dir", folder.Path(), "--paced", "--seconds", "2" }), KRX_CLI_OK) << err.str();
    EXPECT_EQ(onceXml, folder.Read("epg/epg.xml"));
    EXPECT_THAT(onceXml, HasSubstr("<service "));
}

TEST_F(SICommandsTest, EpgLeavesTheExportInTheFolder)
{
    const CString file = folder.Write("mux.ts", Multiplex());
    ASSERT_EQ(Run({ "epg", file, "--seconds", "1", "--dir", file }), KRX_CLI_FAILED);
    ExpectOneErrorLine("cannot make the folder '" + file + "/epg'");

    // A folder that is missing is made, with those above it.
    ASSERT_EQ(Run({ "epg", file, "--seconds", "1", "--dir", folder.Path() + "new/guide/" }), KRX_CLI_OK) << err.str();
    EXPECT_EQ(out.str(), "Wrote " + folder.Path() + "new/guide/epg/epg.xml: 1 transport stream, 2 services\n");
    const CString xml = folder.Read("new/guide/epg/epg.xml");
    EXPECT_THAT(xml,
        StartsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<system>\n<transportstreams>\n\t<transportstream "
                   "id=\"1025\">\t\t<terrestrial"));
    EXPECT_THAT(xml, HasSubstr("<service tsid=\"1025\" id=\"1\" name=\"One &amp; Only\""));
    EXPECT_THAT(xml, HasSubstr("name=\"Radio\\Two\""));
    EXPECT_THAT(xml, HasSubstr("<title>Météo</title>"));
}

TEST_F(SICommandsTest, EpgWritesTheScheduleAsValidXMLTVWithTheOffsetOfEachTime)
{
    const CString file = folder.Write("mux.ts", ScheduleAcrossTheClockChange());
    const CString xmltv = folder.File("guide.xml");
    const char* zone = std::getenv("TZ");
    const CString oldZone = zone != nullptr ? zone : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const int status = Run({ "epg", file, "--dir", folder.Path(), "--xmltv", xmltv });
    zone != nullptr ? setenv("TZ", oldZone.c_str(), 1) : unsetenv("TZ");
    tzset();
    ASSERT_EQ(status, KRX_CLI_OK) << err.str();
    EXPECT_THAT(out.str(), HasSubstr("Wrote " + xmltv + ": 1 channel, 2 programmes\n"));

    const CString xml = folder.Read("guide.xml");
    EXPECT_THAT(xml, HasSubstr("<channel id=\"1.1025.9018.dvb\">\n    <display-name>Eins</display-name>"));
    EXPECT_THAT(xml, HasSubstr("<programme start=\"20260329013000 +0100\" stop=\"20260329040000 +0200\""));
    EXPECT_THAT(xml, HasSubstr("<programme start=\"20260329040000 +0200\" stop=\"20260329043000 +0200\""));
    EXPECT_THAT(xml,
        HasSubstr("<title lang=\"deu\">Nacht &amp; Nebel</title>\n    <desc lang=\"deu\">Ein Film</desc>\n"
                  "    <category lang=\"en\">Movie / Drama</category>\n"
                  "    <episode-num system=\"dvb-crid\">/ep1</episode-num>\n"
                  "    <rating system=\"dvb:DEU\">\n      <value>12</value>"));
    EXPECT_THAT(xml, HasSubstr("<title lang=\"deu\">Frühstück</title>"));
    const CString validate = "tv_validate_file --dtd /usr/share/xmltv/xmltv.dtd '" + xmltv + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(validate.c_str()), 0) << "tv_validate_file refuses " << xml;
}
