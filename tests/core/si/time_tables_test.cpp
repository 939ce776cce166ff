#include "SITestHelpers.h"
#include "si/DVBTDTSection.h"
#include "si/DVBTOTSection.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace si_test;

namespace {

// A TOT with a hand-made loop length and as many bytes after the header as given.
ts::Bytes TotBody(uint16_t loopLength, size_t bytesAfterHeader)
{
    ts::Bytes body = { 0xC0, 0x79, 0x12, 0x45, 0x00, uint8_t(0xF0 | (loopLength >> 8)), uint8_t(loopLength) };
    body.resize(body.size() + bytesAfterHeader, 0);
    return ts::SectionWriter::BuildShort(0x73, body, false);
}

} // namespace

TEST(DVBTDTSection, ReadsDateAndTime)
{
    auto tdt = ParseSection<CDVBTDTSection>(ts::TdtSection({ 0xC079, 0x124500 }));
    ASSERT_NE(tdt, nullptr);
    EXPECT_EQ(tdt->GetKind(), DVB_SECTION_TDT);
    EXPECT_FALSE(tdt->IsLongForm());
    EXPECT_EQ(tdt->GetUTCDate(), 0xC079);
    EXPECT_EQ(tdt->GetUTCTime(), 0x124500u);
    EXPECT_EQ(
        ParseSection<CDVBTDTSection>(ts::SectionWriter::BuildShort(0x70, { 0xC0, 0x79, 0x12, 0x45 }, false)), nullptr);
}

TEST(DVBTOTSection, ReadsTimeAndKeepsTheOffsetDescriptorUndecoded)
{
    DebugCapture debug;
    auto tot
        = ParseSection<CDVBTOTSection>(ts::TotSection({ 0xC079, 0x124500 }, ts::LocalTimeOffsetDescriptor({ {} })));
    ASSERT_NE(tot, nullptr);
    EXPECT_EQ(debug.lines, "ok TOT 1.\n");
    EXPECT_EQ(tot->GetKind(), DVB_SECTION_TOT);
    EXPECT_EQ(tot->GetUTCDate(), 0xC079);
    EXPECT_EQ(tot->GetUTCTime(), 0x124500u);
    ASSERT_EQ(tot->GetDescriptors().GetCount(), 1u);
    EXPECT_EQ((*tot->GetDescriptors().begin())->GetTag(), 0x58);
}

TEST(DVBTOTSection, EachBodyCheckHasItsOwnLine)
{
    struct Case {
        ts::Bytes section;
        const char* line;
    };
    const Case cases[] = {
        { ts::SectionWriter::BuildShort(0x73, { 0xC0, 0x79, 0x12, 0x45, 0x00, 0xF0 }, false), "Failed TOT 1.\n" },
        { TotBody(5, 4), "Failed TOT 2.\n" },
        { ts::SectionWriter::BuildShort(
              0x73, { 0xC0, 0x79, 0x12, 0x45, 0x00, 0xF0, 0x02, 0x58, 0x05, 0, 0, 0, 0 }, false),
            "Failed TOT 3.\n" },
        { TotBody(0, 3), "Failed TOT 4.\n" },
    };
    for (const Case& c : cases) {
        DebugCapture debug;
        EXPECT_EQ(ParseSection<CDVBTOTSection>(c.section), nullptr) << c.line;
        EXPECT_EQ(debug.lines, c.line);
    }
    DebugCapture debug;
    EXPECT_NE(ParseSection<CDVBTOTSection>(TotBody(0, 4)), nullptr);
    EXPECT_EQ(debug.lines, "ok TOT 1.\n");
}
