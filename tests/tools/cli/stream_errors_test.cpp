#include "CliTest.h"

#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ContainsRegex;
using ::testing::HasSubstr;

namespace {
// Two services; the second one's PMT always fails its CRC check. One byte is
// lost early on and one added later, as a card's overflow would do.
CString DamagedMultiplex()
{
    ts::TsPacketWriter out;
    ts::SdtService one, two;
    one.serviceId = 1;
    one.descriptors = ts::ServiceDescriptor(1, "Provider", "One");
    two.serviceId = 2;
    two.descriptors = ts::ServiceDescriptor(1, "Provider", "Two");
    for (int repeat = 0; repeat < 10; ++repeat) {
        ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0401, { { 1, 0x100 }, { 2, 0x200 } }));
        ts::SectionWriter(out, 0x100).Write(ts::PmtSection(1, 0x101, {}, { { 2, 0x101, {} } }));
        ts::Bytes broken = ts::PmtSection(2, 0x201, {}, { { 2, 0x201, {} } });
        broken.back() ^= 0x01;
        ts::SectionWriter(out, 0x200).Write(broken);
        ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0401, 0x233A, { one, two }));
    }
    ts::Bytes bytes = out.TakeData();
    bytes.insert(bytes.begin() + 30 * 188 + 60, 0x00);
    bytes.erase(bytes.begin() + 5 * 188 + 10);
    return CString(bytes.begin(), bytes.end());
}

class StreamErrorsTest : public CliTest
{
};
} // namespace

TEST_F(StreamErrorsTest, ServicesSurviveLostSyncAndABrokenPMTIsNamed)
{
    const CString file = folder.Write("damaged.ts", DamagedMultiplex());
    ASSERT_EQ(Run({ "services", file, "--seconds", "1" }), KRX_CLI_OK) << err.str();
    const CString text = out.str();
    EXPECT_THAT(text, HasSubstr("Service 1: One\n"));
    EXPECT_THAT(text, HasSubstr("  Components:\n    video (PID 257)\n"));
    EXPECT_THAT(text, HasSubstr("Service 2: Two\n"));
    EXPECT_THAT(text, HasSubstr("  Components: unknown, its PMT fails the CRC check (PID 512)\n"));
    EXPECT_THAT(text,
        ContainsRegex("\nStream errors: [0-9]+ continuity errors?, [0-9]+ sync loss(es)? \\([0-9]+ bytes? "
                      "skipped\\), [0-9]+ CRC errors?\n"));
    EXPECT_THAT(text, ContainsRegex("\n  PID 512: (.*, )?[0-9]+ CRC errors?\n"));
}
