#include "SITestHelpers.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBProgram.h"
#include "si/DVBProgramList.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace si_test;

namespace {

ts::Bytes AudioDescriptors(const std::string& language, uint8_t audioType)
{
    return ts::Iso639LanguageDescriptor(language, audioType);
}

// Feeds a PMT built from the streams to the programme.
void ReceivePMT(CDVBProgram& program, const std::vector<ts::PmtStream>& streams, uint16_t pcrPid = 0x101)
{
    auto pmt = ParseSection<CDVBPMTSection>(ts::PmtSection(program.GetProgramNumber(), pcrPid, {}, streams));
    ASSERT_NE(pmt, nullptr);
    program.OnReceivePMT(pmt.get());
}

ts::Bytes TeletextDescriptor(const std::string& language)
{
    ts::Bytes payload(language.begin(), language.end());
    payload.insert(payload.end(), { 0x09, 0x00 }); // initial page 100
    return ts::Descriptor(0x56, payload);
}

const ts::Bytes AC3_DESCRIPTOR = ts::Descriptor(0x6A, { 0x00 });
const ts::Bytes ENHANCED_AC3_DESCRIPTOR = ts::Descriptor(0x7A, { 0x00 });

CString DescriptionOf(unsigned char streamType, const ts::Bytes& descriptors = {})
{
    CDVBProgramElement element(0x100);
    element.SetStreamType(streamType);
    element.GetDescriptors().Parse(descriptors.data(), static_cast<unsigned short>(descriptors.size()));
    return element.GetDescription();
}

} // namespace

TEST(DVBPATSection, ReadsWholeEntriesAndIgnoresARemainder)
{
    auto pat = ParseSection<CDVBPATSection>(ts::PatSection(0x0401, { { 0, 0x10 }, { 0x1001, 0x1FFE } }));
    ASSERT_NE(pat, nullptr);
    EXPECT_EQ(pat->GetKind(), DVB_SECTION_PAT);
    EXPECT_EQ(pat->GetTransportStreamId(), 0x0401);
    ASSERT_EQ(pat->GetEntries().GetCount(), 2u);
    const CDVBPATEntry* second = *++pat->GetEntries().begin();
    EXPECT_EQ(second->programNumber, 0x1001);
    EXPECT_EQ(second->pid, 0x1FFE);

    auto odd = ParseSection<CDVBPATSection>(LongSection(0x00, 1, { 0x00, 0x01, 0xE1, 0x00, 0x00, 0x02, 0xE2 }));
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->GetEntries().GetCount(), 1u);
    auto empty = ParseSection<CDVBPATSection>(LongSection(0x00, 1, { 0x00, 0x01 }));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->GetEntries().IsEmpty());
}

TEST(DVBSISection, DecodesTheCommonLongFormHeader)
{
    ts::LongSectionHeader header;
    header.tableId = 0x02;
    header.tableIdExtension = 0xBEEF;
    header.version = 17;
    header.currentNext = false;
    header.sectionNumber = 2;
    header.lastSectionNumber = 3;
    const ts::Bytes bytes = ts::SectionWriter::BuildLong(header, { 0xE1, 0x00, 0xF0, 0x00 });
    auto section = ParseSection<CDVBSISection>(bytes);
    ASSERT_NE(section, nullptr);
    EXPECT_TRUE(section->IsLongForm());
    EXPECT_EQ(section->GetTableId(), 0x02);
    EXPECT_EQ(section->GetTableIdExtension(), 0xBEEF);
    EXPECT_EQ(section->GetVersionNumber(), 17);
    EXPECT_EQ(section->GetCurrentNextIndicator(), 0);
    EXPECT_EQ(section->GetSectionNumber(), 2);
    EXPECT_EQ(section->GetLastSectionNumber(), 3);
    EXPECT_EQ(section->GetSectionLength(), bytes.size() - 3);
    const size_t end = bytes.size();
    EXPECT_EQ(section->GetCRC32(),
        uint32_t(bytes[end - 4]) << 24 | uint32_t(bytes[end - 3]) << 16 | uint32_t(bytes[end - 2]) << 8
            | bytes[end - 1]);
}

TEST(DVBSISection, FailsWhenShorterThanDeclaredOrTooShortForTheLongForm)
{
    const ts::Bytes bytes = ts::PatSection(1, { { 1, 0x100 } });
    CDVBPATSection cut;
    EXPECT_FALSE(cut.Parse(bytes.data(), bytes.size() - 1));
    const unsigned char tiny[] = { 0x00, 0xB0, 0x08, 0, 0, 0, 0, 0, 0, 0, 0 };
    CDVBPATSection tooShort;
    EXPECT_FALSE(tooShort.Parse(tiny, sizeof(tiny)));
}

TEST(DVBPMTSection, ReadsPCRProgrammeDescriptorsAndStreams)
{
    auto pmt = ParseSection<CDVBPMTSection>(ts::PmtSection(7, 0x1FF, ts::NetworkNameDescriptor("x"),
        { { 2, 0x101, {} }, { 3, 0x102, AudioDescriptors("eng", 0) },
            { 6, 0x103, ts::SubtitlingDescriptor({ { "eng" } }) } }));
    ASSERT_NE(pmt, nullptr);
    EXPECT_EQ(pmt->GetProgramNumber(), 7);
    EXPECT_EQ(pmt->GetPCRPID(), 0x1FF);
    EXPECT_EQ(pmt->GetDescriptors().GetCount(), 1u);
    ASSERT_EQ(pmt->GetEntries().GetCount(), 3u);
    const CDVBPMTEntry* audio = *++pmt->GetEntries().begin();
    EXPECT_EQ(audio->streamType, 3);
    EXPECT_EQ(audio->elementaryPID, 0x102);
    EXPECT_EQ(audio->descriptors.GetCount(), 1u);
}

TEST(DVBPMTSection, BodyChecks)
{
    // Shorter than the four fixed bytes.
    EXPECT_EQ(ParseSection<CDVBPMTSection>(LongSection(0x02, 1, { 0xE1, 0x00, 0xF0 })), nullptr);
    // program_info_length beyond the body.
    EXPECT_EQ(ParseSection<CDVBPMTSection>(LongSection(0x02, 1, { 0xE1, 0x00, 0xF0, 0x05, 0x0A, 0x01 })), nullptr);
    // ES_info_length beyond the body.
    EXPECT_EQ(
        ParseSection<CDVBPMTSection>(LongSection(0x02, 1, { 0xE1, 0x00, 0xF0, 0x00, 0x02, 0xE1, 0x00, 0xF0, 0x01 })),
        nullptr);
    // A damaged descriptor loop does not fail the PMT; four trailing bytes are no stream.
    auto tolerant = ParseSection<CDVBPMTSection>(
        LongSection(0x02, 1, { 0xE1, 0x00, 0xF0, 0x00, 0x03, 0xE1, 0x02, 0xF0, 0x02, 0x0A, 0x05, 1, 2, 3, 4 }));
    ASSERT_NE(tolerant, nullptr);
    ASSERT_EQ(tolerant->GetEntries().GetCount(), 1u);
    EXPECT_TRUE((*tolerant->GetEntries().begin())->descriptors.IsEmpty());
}

TEST(DVBProgram, StartsWithItsDefaults)
{
    CDVBProgram program(42);
    EXPECT_EQ(program.GetServiceName(), "Service 0042");
    EXPECT_EQ(program.GetPMTPID(), 0xFFFF);
    EXPECT_EQ(program.GetPCRPID(), 0xFFFF);
    EXPECT_EQ(program.GetTransportStreamIdFromSDT(), 0xFFFF);
    EXPECT_FALSE(program.HasSeenPAT() || program.HasSeenPMT() || program.HasSeenSDT() || program.HasSeenEIT());
    EXPECT_EQ(program.GetAccessTypeText(), "unknown");
    EXPECT_EQ(program.GetServiceTypeFromPMT(), DVB_SERVICE_UNKNOWN);
    EXPECT_EQ(program.GetServiceTypeFromSDT(), DVB_SERVICE_UNKNOWN);
}

TEST(DVBProgram, PATEntryGivesPMTPIDAndTransportStream)
{
    auto pat = ParseSection<CDVBPATSection>(ts::PatSection(0x0777, { { 42, 0x0123 } }));
    ASSERT_NE(pat, nullptr);
    CDVBProgram program(42);
    program.OnReceivePAT(pat.get(), *pat->GetEntries().begin());
    EXPECT_TRUE(program.HasSeenPAT());
    EXPECT_EQ(program.GetPMTPID(), 0x0123);
    EXPECT_EQ(program.GetTransportStreamIdFromPAT(), 0x0777);
}

TEST(DVBProgram, APMTThatDropsAStreamKeepsItAndAChangedTypeIsUpdatedInPlace)
{
    CDVBProgram program(1);
    ReceivePMT(program, { { 2, 0x101, {} }, { 3, 0x102, AudioDescriptors("eng", 0) } });
    ASSERT_EQ(program.GetElements().GetCount(), 2u);
    CDVBProgramElement* audio = program.GetProgramElement(0x102);
    ReceivePMT(program, { { 4, 0x102, AudioDescriptors("deu", 3) } }, 0x102);
    EXPECT_TRUE(program.HasSeenPMT());
    EXPECT_EQ(program.GetPCRPID(), 0x102);
    ASSERT_EQ(program.GetElements().GetCount(), 2u);
    EXPECT_NE(program.GetProgramElement(0x101), nullptr);
    EXPECT_EQ(program.GetProgramElement(0x102), audio);
    EXPECT_EQ(audio->GetStreamType(), 4);
    EXPECT_EQ(audio->GetDescription(), "audio description (deu)");
    EXPECT_EQ(audio->GetDescriptors().GetCount(), 1u);
    EXPECT_EQ(program.GetProgramElement(0x999), nullptr);
}

TEST(DVBProgram, ElementDescriptorsAreCopiesThatOutliveThePMT)
{
    CDVBProgram program(1);
    ReceivePMT(program,
        { { 6, 0x103, ts::Concat({ ts::StreamIdentifierDescriptor(1), ts::SubtitlingDescriptor({ { "eng" } }) }) } });
    EXPECT_EQ(program.GetProgramElement(0x103)->GetDescription(), "subtitles (eng)");
}

TEST(DVBProgramElement, DescriptionsOfEveryStreamType)
{
    EXPECT_EQ(DescriptionOf(0), "reserved");
    EXPECT_EQ(DescriptionOf(1), "video");
    EXPECT_EQ(DescriptionOf(2), "video");
    EXPECT_EQ(DescriptionOf(3), "audio");
    EXPECT_EQ(DescriptionOf(4, AudioDescriptors("eng", 1)), "audio (eng)");
    EXPECT_EQ(DescriptionOf(3, AudioDescriptors("eng", 3)), "audio description (eng)");
    EXPECT_EQ(DescriptionOf(5), "private sections");
    EXPECT_EQ(DescriptionOf(6), "private PES");
    EXPECT_EQ(DescriptionOf(6,
                  ts::Concat({ ts::StreamIdentifierDescriptor(1), ts::SubtitlingDescriptor({ { "gla" } }),
                      ts::SubtitlingDescriptor({ { "eng" } }) })),
        "subtitles (gla)");
    EXPECT_EQ(DescriptionOf(7), "MHEG");
    EXPECT_EQ(DescriptionOf(8), "DSMCC");
    EXPECT_EQ(DescriptionOf(9), "H.222.1");
    EXPECT_EQ(DescriptionOf(10), "DSMCC-A");
    EXPECT_EQ(DescriptionOf(13), "DSMCC-D");
    EXPECT_EQ(DescriptionOf(14), "auxilary");
    EXPECT_EQ(DescriptionOf(0x12), "unknown");
    EXPECT_EQ(DescriptionOf(0x80), "unknown");
}

TEST(DVBProgramElement, DescriptionsOfTodaysCodecsNameTheCodecAfterTheKind)
{
    EXPECT_EQ(DescriptionOf(0x1B), "video (H.264)");
    EXPECT_EQ(DescriptionOf(0x24), "video (HEVC)");
    EXPECT_EQ(DescriptionOf(0x0F), "audio AAC");
    EXPECT_EQ(DescriptionOf(0x0F, AudioDescriptors("ita", 0)), "audio AAC (ita)");
    EXPECT_EQ(DescriptionOf(0x11, AudioDescriptors("ron", 3)), "audio description AAC LATM (ron)");
    EXPECT_EQ(DescriptionOf(6, ts::Concat({ AudioDescriptors("fra", 0), AC3_DESCRIPTOR })), "audio AC-3 (fra)");
    EXPECT_EQ(DescriptionOf(6, ENHANCED_AC3_DESCRIPTOR), "audio E-AC-3");
    EXPECT_EQ(DescriptionOf(6, ts::Concat({ ENHANCED_AC3_DESCRIPTOR, AudioDescriptors("eng", 3) })),
        "audio description E-AC-3 (eng)");
    // ATSC's stream types for the same codecs, as other muxers write them.
    EXPECT_EQ(DescriptionOf(0x81, AC3_DESCRIPTOR), "audio AC-3");
    EXPECT_EQ(DescriptionOf(0x87, AudioDescriptors("deu", 0)), "audio E-AC-3 (deu)");
    EXPECT_EQ(DescriptionOf(6, ts::Concat({ ts::StreamIdentifierDescriptor(3), TeletextDescriptor("fra") })),
        "teletext (fra)");
    // A code of zero bytes names no language: no empty brackets.
    const std::string none(3, '\0');
    EXPECT_EQ(DescriptionOf(6, TeletextDescriptor(none)), "teletext");
    EXPECT_EQ(DescriptionOf(3, AudioDescriptors(none, 3)), "audio description");
    EXPECT_EQ(DescriptionOf(6, ts::SubtitlingDescriptor({ { none } })), "subtitles");
    // A subtitling descriptor wins over a teletext one, as it did over everything else.
    EXPECT_EQ(DescriptionOf(6, ts::Concat({ TeletextDescriptor("fra"), ts::SubtitlingDescriptor({ { "deu" } }) })),
        "subtitles (deu)");
}

// Each teletext subtitle page is a component of its own; the magazine is
// offered beside them when an initial page names it or nothing else is there.
TEST(DVBProgramElement, OffersEachTeletextSubtitlePage)
{
    CDVBProgramElement element(0x100);
    element.SetStreamType(6);
    const ts::Bytes descriptor = ts::TeletextDescriptor(
        { { "ita", 1, 0x100 }, { "ita", 2, 0x888 }, { "eng", 2, 0x778 }, { "ita", 5, 0x889 }, { "deu", 4, 0x150 } });
    element.GetDescriptors().Parse(descriptor.data(), static_cast<unsigned short>(descriptor.size()));
    EXPECT_EQ(element.GetComponentDescriptions(),
        (std::vector<CString> { "teletext (ita)", "subtitles (teletext 888, ita)", "subtitles (teletext 778, eng)",
            "subtitles hearing impaired (teletext 889, ita)" }));

    CDVBProgramElement subtitlesOnly(0x101);
    subtitlesOnly.SetStreamType(6);
    const ts::Bytes pages = ts::TeletextDescriptor({ { "fra", 2, 0x801 } });
    subtitlesOnly.GetDescriptors().Parse(pages.data(), static_cast<unsigned short>(pages.size()));
    EXPECT_EQ(subtitlesOnly.GetComponentDescriptions(), std::vector<CString> { "subtitles (teletext 801, fra)" });
    EXPECT_EQ(subtitlesOnly.GetDescription(), "teletext (fra)");
}

TEST(DVBProgramElement, OnlyMPEGAudioDescriptionsAreMPEGAudio)
{
    for (const CString& mpeg : { DescriptionOf(3), DescriptionOf(4, AudioDescriptors("eng", 0)),
             DescriptionOf(3, AudioDescriptors("eng", 3)), DescriptionOf(3, AudioDescriptors("AAC", 0)) })
        EXPECT_TRUE(CDVBProgramElement::IsMPEGAudioDescription(mpeg)) << mpeg;
    for (const CString& other :
        { DescriptionOf(0x0F), DescriptionOf(0x11, AudioDescriptors("eng", 0)), DescriptionOf(6, AC3_DESCRIPTOR),
            DescriptionOf(6, ts::Concat({ ENHANCED_AC3_DESCRIPTOR, AudioDescriptors("eng", 3) })), DescriptionOf(1),
            DescriptionOf(6), CString("audiobook"), CString("audio (english)"), CString("") })
        EXPECT_FALSE(CDVBProgramElement::IsMPEGAudioDescription(other)) << other;
}

TEST(DVBProgram, ServiceTypeFromPMTLooksAtTheStreams)
{
    CDVBProgram television(1);
    ReceivePMT(television, { { 3, 0x102, {} }, { 2, 0x101, {} } });
    EXPECT_EQ(television.GetServiceTypeFromPMT(), DVB_SERVICE_TELEVISION);
    CDVBProgram radio(2);
    ReceivePMT(radio, { { 3, 0x201, AudioDescriptors("eng", 3) }, { 5, 0x202, {} } });
    EXPECT_EQ(radio.GetServiceTypeFromPMT(), DVB_SERVICE_RADIO);
    CDVBProgram data(3);
    ReceivePMT(data, { { 7, 0x301, {} }, { 11, 0x302, {} } });
    EXPECT_EQ(data.GetServiceTypeFromPMT(), DVB_SERVICE_DATA);
    CDVBProgram other(4);
    ReceivePMT(other, { { 5, 0x401, {} }, { 6, 0x402, {} } });
    EXPECT_EQ(other.GetServiceTypeFromPMT(), DVB_SERVICE_UNKNOWN);
    CDVBProgram h264(5);
    ReceivePMT(h264, { { 0x0F, 0x501, AudioDescriptors("ita", 0) }, { 0x1B, 0x502, {} } });
    EXPECT_EQ(h264.GetServiceTypeFromPMT(), DVB_SERVICE_TELEVISION);
    CDVBProgram hevc(6);
    ReceivePMT(hevc, { { 6, 0x601, ENHANCED_AC3_DESCRIPTOR }, { 0x24, 0x602, {} } });
    EXPECT_EQ(hevc.GetServiceTypeFromPMT(), DVB_SERVICE_TELEVISION);
    CDVBProgram aacRadio(7);
    ReceivePMT(aacRadio, { { 0x11, 0x701, {} }, { 6, 0x702, TeletextDescriptor("ita") } });
    EXPECT_EQ(aacRadio.GetServiceTypeFromPMT(), DVB_SERVICE_RADIO);
    CDVBProgram ac3Radio(8);
    ReceivePMT(ac3Radio, { { 6, 0x801, AC3_DESCRIPTOR } });
    EXPECT_EQ(ac3Radio.GetServiceTypeFromPMT(), DVB_SERVICE_RADIO);
}

TEST(DVBProgram, ServiceTypeTexts)
{
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(0), "unknown");
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(1), "digital television service");
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(2), "digital radio service");
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(3), "data service");
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(7), "");
    EXPECT_EQ(CDVBProgram::GetServiceTypeText(-1), "");
}

TEST(DVBProgramList, KeepsProgrammesInAscendingOrder)
{
    CDVBProgramList list;
    CDVBProgram* five = list.GetOrCreate(5);
    list.GetOrCreate(9);
    list.GetOrCreate(1);
    list.GetOrCreate(7);
    EXPECT_EQ(list.GetOrCreate(5), five);
    std::vector<unsigned short> numbers;
    for (const CDVBProgram* program : list)
        numbers.push_back(program->GetProgramNumber());
    EXPECT_EQ(numbers, (std::vector<unsigned short> { 1, 5, 7, 9 }));
    EXPECT_EQ(list.Find(7)->GetProgramNumber(), 7);
    EXPECT_EQ(list.Find(6), nullptr);
    EXPECT_EQ(list.Find(10), nullptr);
    list.DeleteAll();
    EXPECT_TRUE(list.IsEmpty());
}
