// Colour table entries as read from the stream, and the default table regions
// fall back on.
#include "DVBCLUTDefinitionSegment.h"
#include "DVBDefaultColourTable.h"

#include <gtest/gtest.h>

namespace {

bool ParseTable(CDVBCLUTDefinitionSegment& table, const std::vector<unsigned char>& body)
{
    CDVBMemoryReader reader(body.data(), body.size());
    return table.ParseBody(reader);
}

} // namespace

TEST(ColourTableEntries, FullRangeComesAsYCrCbTAndReducedRangeAsTheTopBitsOfEachByte)
{
    // Entry 5 twice (the first counts), then entry 6 in reduced range: Y 111111, Cr 1010, Cb 0101, T 11.
    CDVBCLUTDefinitionSegment table;
    ASSERT_TRUE(ParseTable(table, { 9, 0x00, 5, 0x61, 200, 90, 60, 30, 5, 0x21, 1, 1, 1, 1, 6, 0x80, 0xFE, 0x97 }));
    EXPECT_EQ(table.GetId(), 9u);
    const CDVBCLUTEntry* full = table.FindEntry(5);
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(full->fullRange && full->fourBitEntry && full->eightBitEntry && !full->twoBitEntry);
    EXPECT_EQ(std::vector<int>({ full->y, full->cr, full->cb, full->t }), std::vector<int>({ 200, 90, 60, 30 }));
    const CDVBCLUTEntry* reduced = table.FindEntry(6);
    ASSERT_NE(reduced, nullptr);
    EXPECT_EQ(std::vector<int>({ reduced->y, reduced->cr, reduced->cb, reduced->t }),
        std::vector<int>({ 252, 0xA0, 0x50, 0xC0 }));
    EXPECT_EQ(table.FindEntry(4), nullptr);
}

TEST(ColourTableEntries, AllTwoHundredFiftySixReducedEntriesButNotACutOne)
{
    std::vector<unsigned char> body { 1, 0x00 };
    for (int id = 0; id < 256; ++id)
        body.insert(body.end(), { uint8_t(id), 0xE0, uint8_t(id), 0xFF });
    CDVBCLUTDefinitionSegment table;
    ASSERT_TRUE(ParseTable(table, body));
    EXPECT_EQ(table.GetEntryCount(), 256u);
    EXPECT_EQ(table.FindEntry(255)->t, 0xC0);

    body.insert(body.end(), { 7, 0x01, 1, 2 }); // a full-range entry needs four bytes
    CDVBCLUTDefinitionSegment broken;
    EXPECT_FALSE(ParseTable(broken, body));
}

TEST(DefaultColourTable, HasTheStandardsEntries)
{
    auto table = BuildDefaultColourTable();
    EXPECT_EQ(table->GetId(), 0u);
    ASSERT_EQ(table->GetEntryCount(), 256u);
    struct Expected {
        uint8_t id, y, cb, cr, t;
    };
    // Black transparent; full red, 75% transparent (Cr clamped to 240); a
    // half-transparent band; opaque white; a b7 entry (50% + 33% + 17% red).
    for (Expected expected : std::initializer_list<Expected> {
             { 0, 16, 128, 128, 255 },
             { 1, 82, 90, 240, 191 },
             { 8, 16, 128, 128, 127 },
             { 0x77, 235, 128, 128, 0 },
             { 0x91, 158, 109, 184, 0 },
         }) {
        const CDVBCLUTEntry* entry = table->FindEntry(expected.id);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(std::vector<int>({ entry->y, entry->cb, entry->cr, entry->t }),
            std::vector<int>({ expected.y, expected.cb, expected.cr, expected.t }))
            << "entry " << int(expected.id);
    }
}
