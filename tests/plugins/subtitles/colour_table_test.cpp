// Colour table entries as read from the stream, and the default table regions
// fall back on.
#include "DVBCLUTDefinitionSegment.h"
#include "DVBDefaultColourTable.h"

#include <gtest/gtest.h>

namespace {

CDVBCLUTEntry ReadEntry(const std::vector<unsigned char>& bytes, bool expectRead = true)
{
    CDVBMemoryReader reader(bytes.data(), bytes.size());
    CDVBCLUTEntry entry;
    EXPECT_EQ(entry.Read(reader), expectRead);
    return entry;
}

} // namespace

TEST(ColourTableEntries, FullRangeBytesComeInTheOrderYCrCbT)
{
    CDVBCLUTEntry entry = ReadEntry({ 7, 0x61, 200, 90, 60, 30 });
    EXPECT_EQ(entry.entryId, 7);
    EXPECT_FALSE(entry.twoBitEntry);
    EXPECT_TRUE(entry.fourBitEntry);
    EXPECT_TRUE(entry.eightBitEntry);
    EXPECT_TRUE(entry.fullRange);
    EXPECT_EQ(entry.y, 200);
    EXPECT_EQ(entry.cr, 90);
    EXPECT_EQ(entry.cb, 60);
    EXPECT_EQ(entry.t, 30);
}

TEST(ColourTableEntries, ReducedRangeFieldsAreTheTopBitsOfTheirBytes)
{
    // Y 111111, Cr 1010, Cb 0101, T 11.
    CDVBCLUTEntry entry = ReadEntry({ 3, 0x80, 0xFE, 0x97 });
    EXPECT_FALSE(entry.fullRange);
    EXPECT_EQ(entry.y, 252);
    EXPECT_EQ(entry.cr, 0xA0);
    EXPECT_EQ(entry.cb, 0x50);
    EXPECT_EQ(entry.t, 0xC0);

    ReadEntry({ 3, 0x01, 1, 2, 3 }, false); // full range needs four bytes
    ReadEntry({ 3, 0x00, 1 }, false);
}

TEST(ColourTableEntries, TheFirstEntryOfACodeIsTheOneLookedUp)
{
    const std::vector<unsigned char> body { 9, 0x00, 5, 0x21, 10, 20, 30, 0, 5, 0x21, 99, 99, 99, 0, 6, 0x20, 0x00,
        0x00 };
    CDVBMemoryReader reader(body.data(), body.size());
    CDVBCLUTDefinitionSegment table;
    ASSERT_TRUE(table.ParseBody(reader));
    EXPECT_EQ(table.GetId(), 9u);
    EXPECT_EQ(table.GetEntryCount(), 3u);
    ASSERT_NE(table.FindEntry(5), nullptr);
    EXPECT_EQ(table.FindEntry(5)->y, 10);
    EXPECT_EQ(table.FindEntry(6)->y, 0);
    EXPECT_EQ(table.FindEntry(4), nullptr);
}

TEST(ColourTableEntries, AFullTableOfReducedEntriesAndACutEntry)
{
    std::vector<unsigned char> body { 1, 0x00 };
    for (int id = 0; id < 256; ++id)
        body.insert(body.end(), { uint8_t(id), 0xE0, uint8_t(id), 0xFF });
    CDVBMemoryReader reader(body.data(), body.size());
    CDVBCLUTDefinitionSegment table;
    ASSERT_TRUE(table.ParseBody(reader));
    EXPECT_EQ(table.GetEntryCount(), 256u);
    EXPECT_EQ(table.FindEntry(255)->t, 0xC0);

    body.insert(body.end(), { 7, 0x01, 1, 2 }); // a full-range entry cut short
    CDVBMemoryReader cut(body.data(), body.size());
    CDVBCLUTDefinitionSegment broken;
    EXPECT_FALSE(broken.ParseBody(cut));
}

TEST(DefaultColourTable, HasTheStandardsEntries)
{
    auto table = BuildDefaultColourTable();
    EXPECT_EQ(table->GetId(), 0u);
    ASSERT_EQ(table->GetEntryCount(), 256u);
    struct Expected {
        uint8_t id, y, cb, cr, t;
    };
    // Black transparent; full red, 75% transparent; a half-transparent band;
    // opaque white (b4-b6 set with b0-b2); a b7 entry (50% + 33% red).
    for (Expected expected : std::initializer_list<Expected> {
             { 0, 16, 128, 128, 255 },
             { 1, 82, 90, 240, 191 },
             { 8, 16, 128, 128, 127 },
             { 0x77, 235, 128, 128, 0 },
             { 0x91, 158, 109, 184, 0 },
         }) {
        const CDVBCLUTEntry* entry = table->FindEntry(expected.id);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->y, expected.y) << int(expected.id);
        EXPECT_EQ(entry->cb, expected.cb) << int(expected.id);
        EXPECT_EQ(entry->cr, expected.cr) << int(expected.id);
        EXPECT_EQ(entry->t, expected.t) << int(expected.id);
        EXPECT_TRUE(entry->fullRange && entry->twoBitEntry && entry->fourBitEntry && entry->eightBitEntry);
    }
}

TEST(DefaultColourTable, ConversionClampsToStudioRange)
{
    uint8_t y, cb, cr;
    ConvertRGBToYCbCr(0.0, 0.0, 1.0, y, cb, cr);
    EXPECT_EQ(y, 41);
    EXPECT_EQ(cb, 240); // 240.07 before the clamp
    EXPECT_EQ(cr, 110);
    ConvertRGBToYCbCr(0.0, 1.0, 0.0, y, cb, cr);
    EXPECT_EQ(y, 144);
    EXPECT_EQ(cb, 54);
    EXPECT_EQ(cr, 34);
}
