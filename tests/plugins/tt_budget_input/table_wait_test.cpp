// When a scan is done with a multiplex: as soon as its tables are complete,
// or once those missing are past their repetition limits.
#include "KRXTTTableWait.h"

#include <gtest/gtest.h>

namespace {
using Wait = CKRXTTTableWait;

// A long-form section with a CRC place (not checked here: the demux does).
std::vector<uint8_t> Section(
    uint8_t tableId, int extension, int version, int number, int last, std::vector<uint8_t> payload = {})
{
    const size_t length = 5 + payload.size() + 4;
    std::vector<uint8_t> section = { tableId, static_cast<uint8_t>(0xB0 | (length >> 8)), static_cast<uint8_t>(length),
        static_cast<uint8_t>(extension >> 8), static_cast<uint8_t>(extension),
        static_cast<uint8_t>(0xC1 | (version << 1)), static_cast<uint8_t>(number), static_cast<uint8_t>(last) };
    payload.resize(payload.size() + 4); // the CRC's place
    section.insert(section.end(), payload.begin(), payload.end());
    return section;
}

// A PAT of the network PID and two programmes, 1 on PID 0x100 and 2 on 0x110.
std::vector<uint8_t> Pat()
{
    return Section(0x00, 1, 0, 0, 0, { 0x00, 0x00, 0xE0, 0x10, 0x00, 0x01, 0xE1, 0x00, 0x00, 0x02, 0xE1, 0x10 });
}

bool Take(Wait& wait, uint16_t pid, const std::vector<uint8_t>& section, uint32_t now)
{
    return wait.Take(pid, section.data(), section.size(), now);
}

TEST(TTTableWait, DoneAsSoonAsEveryTableIsCompleteWithEverySection)
{
    Wait wait(1000);
    EXPECT_TRUE(Take(wait, 0x0000, Pat(), 1010));
    EXPECT_FALSE(Take(wait, 0x0000, Pat(), 1020)) << "a repeat is nothing new";
    ASSERT_EQ(wait.Filters().size(), 5u);
    EXPECT_EQ(wait.Filters()[3].pid, 0x100);
    EXPECT_EQ(wait.Filters()[4].tableId, 0x02);
    EXPECT_TRUE(Take(wait, 0x100, Section(0x02, 1, 0, 0, 0), 1030));
    EXPECT_FALSE(Take(wait, 0x100, Section(0x02, 2, 0, 0, 0), 1030)) << "programme 2 is on another PID";
    EXPECT_TRUE(Take(wait, 0x110, Section(0x02, 2, 0, 0, 0), 1040));
    EXPECT_TRUE(Take(wait, 0x0011, Section(0x42, 1, 0, 1, 1), 1100));
    EXPECT_TRUE(Take(wait, 0x0010, Section(0x40, 0x3001, 0, 0, 0), 1200));
    EXPECT_FALSE(Take(wait, 0x0011, Section(0x46, 1, 0, 0, 0), 1250)) << "SDT other is not waited for";
    EXPECT_FALSE(wait.IsComplete()) << "the SDT's first section is missing";
    EXPECT_FALSE(wait.IsDone(1300));
    EXPECT_TRUE(Take(wait, 0x0011, Section(0x42, 1, 0, 0, 1), 1400));
    EXPECT_TRUE(wait.IsComplete());
    EXPECT_TRUE(wait.IsDone(1400));
    EXPECT_EQ(wait.MillisecondsLeft(1400), 0u);
}

TEST(TTTableWait, MissingTablesAreGivenUpAtTheirRepetitionLimits)
{
    Wait wait(0);
    Take(wait, 0x0000, Pat(), 100);
    Take(wait, 0x100, Section(0x02, 1, 0, 0, 0), 150);
    Take(wait, 0x110, Section(0x02, 2, 0, 0, 0), 150);
    Take(wait, 0x0011, Section(0x42, 1, 0, 0, 0), 200);
    // Only the NIT is missing: it may take its 10 s and the grace.
    EXPECT_FALSE(wait.IsDone(Wait::SdtLimitMs));
    EXPECT_EQ(wait.MillisecondsLeft(5000), Wait::NitLimitMs - 5000);
    EXPECT_FALSE(wait.IsDone(Wait::NitLimitMs - 1));
    EXPECT_TRUE(wait.IsDone(Wait::NitLimitMs));
    EXPECT_FALSE(wait.IsComplete());

    // A PMT is waited for from when its PAT came.
    Wait late(0);
    Take(late, 0x0000, Pat(), 3000);
    Take(late, 0x0011, Section(0x42, 1, 0, 0, 0), 3000);
    Take(late, 0x0010, Section(0x40, 1, 0, 0, 0), 3000);
    Take(late, 0x100, Section(0x02, 1, 0, 0, 0), 3000);
    EXPECT_FALSE(late.IsDone(3000 + Wait::PmtLimitMs - 1));
    EXPECT_TRUE(late.IsDone(3000 + Wait::PmtLimitMs));
}

TEST(TTTableWait, WithoutAPatThereIsNothingToWaitFor)
{
    Wait wait(500);
    Take(wait, 0x0011, Section(0x42, 1, 0, 0, 0), 600);
    EXPECT_FALSE(wait.IsDone(500 + Wait::PatLimitMs - 1));
    EXPECT_TRUE(wait.IsDone(500 + Wait::PatLimitMs));
}

TEST(TTTableWait, SectionsShorterThanTheirHeaderAreNotCounted)
{
    Wait wait(0);
    std::vector<uint8_t> pat = Pat();
    pat[1] = 0xB0;
    pat[2] = 4; // too short for a header and a CRC, in a buffer long enough
    EXPECT_FALSE(Take(wait, 0x0000, pat, 0));
    EXPECT_EQ(wait.Filters().size(), 3u);
    const std::vector<uint8_t> whole = Pat();
    EXPECT_FALSE(Take(wait, 0x0000, std::vector<uint8_t>(whole.begin(), whole.begin() + 10), 0));
}

TEST(TTTableWait, ANewVersionStartsItsTableAfresh)
{
    Wait wait(0);
    Take(wait, 0x0000, Pat(), 0);
    Take(wait, 0x100, Section(0x02, 1, 0, 0, 0), 0);
    Take(wait, 0x110, Section(0x02, 2, 0, 0, 0), 0);
    Take(wait, 0x0010, Section(0x40, 1, 0, 0, 0), 0);
    Take(wait, 0x0011, Section(0x42, 1, 3, 0, 1), 0);
    EXPECT_TRUE(Take(wait, 0x0011, Section(0x42, 1, 4, 1, 1), 10));
    EXPECT_FALSE(wait.IsComplete()) << "section 0 of version 4 has not come";
    EXPECT_TRUE(Take(wait, 0x0011, Section(0x42, 1, 4, 0, 1), 20));
    EXPECT_TRUE(wait.IsComplete());
}
} // namespace
