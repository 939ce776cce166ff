// Object pixel data: the three code strings, field order, cuts at the frame's
// edges, and the fields a broadcaster leaves empty.
#include "SubtitleTestStream.h"

#include "BitWriter.h"
#include "DVBPixelDataDecoder.h"

#include <gtest/gtest.h>

using namespace subtitle_test;

namespace {

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    uint8_t At(int x, int y) const { return pixels.at(size_t(y) * width + x); }
};

Decoded Decode(const Bytes& top, const Bytes& bottom)
{
    Bytes data = top;
    data.insert(data.end(), bottom.begin(), bottom.end());
    CDVBMemoryReader reader(data.data(), data.size());
    CDVBPixelDataDecoder decoder;
    decoder.Decode(reader, uint16_t(top.size()), uint16_t(bottom.size()));
    return { decoder.GetWidth(), decoder.GetHeight(), decoder.CopyPixels() };
}

// One line of a code string: the data type, the fields, byte padding, end of line.
Bytes StringLine(uint8_t dataType, const std::vector<std::pair<uint32_t, int>>& fields)
{
    BitWriter bits;
    bits.Put(dataType, 8);
    for (auto [value, count] : fields)
        bits.Put(value, count);
    bits.PadToByte();
    Bytes out = bits.Bytes();
    out.push_back(0xF0);
    return out;
}

std::vector<uint8_t> Runs(const std::vector<std::pair<int, uint8_t>>& runs)
{
    std::vector<uint8_t> out;
    for (auto [count, code] : runs)
        out.insert(out.end(), size_t(count), code);
    return out;
}

std::vector<uint8_t> Row(const Decoded& decoded, int y)
{
    return { decoded.pixels.begin() + long(y) * decoded.width, decoded.pixels.begin() + long(y + 1) * decoded.width };
}

} // namespace

TEST(PixelStrings, EveryTwoBitRunFormAndTheEndThenPaddingToTheByte)
{
    Decoded decoded = Decode(StringLine(0x10,
                                 {
                                     { 1, 2 }, // one pixel of code 1
                                     { 0, 2 }, { 1, 1 }, { 3, 3 }, { 2, 2 }, // 3 + 3 of code 2
                                     { 0, 2 }, { 0, 1 }, { 0, 1 }, { 2, 2 }, { 5, 4 }, { 3, 2 }, // 12 + 5 of code 3
                                     { 0, 2 }, { 0, 1 }, { 0, 1 }, { 3, 2 }, { 1, 8 }, { 1, 2 }, // 29 + 1 of code 1
                                     { 0, 2 }, { 0, 1 }, { 1, 1 }, // one of code 0
                                     { 0, 2 }, { 0, 1 }, { 0, 1 }, { 1, 2 }, // two of code 0
                                     { 1, 2 }, // one of code 1
                                     { 0, 2 }, { 0, 1 }, { 0, 1 }, { 0, 2 }, // end
                                 }),
        {});
    EXPECT_EQ(Row(decoded, 0), Runs({ { 1, 1 }, { 6, 2 }, { 17, 3 }, { 30, 1 }, { 3, 0 }, { 1, 1 } }));
    // The end left bits in its byte: unless they are skipped, the end of line is misread.
    EXPECT_EQ(decoded.height, 2);
}

TEST(PixelStrings, EveryFourBitRunFormAndAnImmediateEnd)
{
    Decoded decoded = Decode(StringLine(0x11,
                                 {
                                     { 7, 4 }, // one of code 7
                                     { 0, 4 }, { 0, 1 }, { 3, 3 }, // 3 + 2 of code 0
                                     { 0, 4 }, { 1, 1 }, { 0, 1 }, { 2, 2 }, { 9, 4 }, // 2 + 4 of code 9
                                     { 0, 4 }, { 1, 1 }, { 1, 1 }, { 0, 2 }, // one of code 0
                                     { 0, 4 }, { 1, 1 }, { 1, 1 }, { 1, 2 }, // two of code 0
                                     { 0, 4 }, { 1, 1 }, { 1, 1 }, { 2, 2 }, { 1, 4 }, { 5, 4 }, // 9 + 1 of code 5
                                     { 0, 4 }, { 1, 1 }, { 1, 1 }, { 3, 2 }, { 2, 8 }, { 15, 4 }, // 25 + 2 of code 15
                                     { 0, 4 }, { 0, 1 }, { 0, 3 }, // end
                                 }),
        {});
    EXPECT_EQ(Row(decoded, 0), Runs({ { 1, 7 }, { 5, 0 }, { 6, 9 }, { 3, 0 }, { 10, 5 }, { 27, 15 } }));

    Decoded empty = Decode(StringLine(0x11, { { 0, 4 }, { 0, 1 }, { 0, 3 } }), {});
    EXPECT_EQ(empty.width, 0) << "a string that ends at once emits nothing";
    EXPECT_TRUE(empty.pixels.empty());
}

TEST(PixelStrings, EightBitRunOfLengthZeroEmitsNothingAndGoesOn)
{
    Decoded decoded = Decode(StringLine(0x12,
                                 {
                                     { 0, 8 }, { 1, 1 }, { 0, 7 }, { 4, 8 }, // no pixels of code 4
                                     { 200, 8 }, // one of code 200
                                     { 0, 8 }, { 0, 1 }, { 3, 7 }, // three of code 0
                                     { 0, 8 }, { 1, 1 }, { 2, 7 }, { 9, 8 }, // two of code 9
                                     { 0, 8 }, { 0, 1 }, { 0, 7 }, // end
                                 }),
        {});
    EXPECT_EQ(Row(decoded, 0), Runs({ { 1, 200 }, { 3, 0 }, { 2, 9 } }));
}

TEST(PixelStrings, MapTablesAreSkippedAndTheirCodesNotApplied)
{
    Bytes top { 0x20, 0x12, 0x34, 0x21, 1, 2, 3, 4, 0x22 };
    top.insert(top.end(), 16, 0xEE);
    Bytes line = StringLine(0x10, { { 3, 2 }, { 0, 6 } });
    top.insert(top.end(), line.begin(), line.end());
    Decoded decoded = Decode(top, {});
    EXPECT_EQ(Row(decoded, 0), Runs({ { 1, 3 } }));
}

TEST(ObjectFields, TopAndBottomInterleaveAndShortLinesEndInCodeZero)
{
    Decoded decoded = Decode(Lines({ { { 3, 1 } }, { { 5, 2 } } }), Lines({ { { 4, 3 } }, { { 2, 4 } } }));
    ASSERT_EQ(decoded.width, 5);
    ASSERT_EQ(decoded.height, 4);
    EXPECT_EQ(Row(decoded, 0), Runs({ { 3, 1 }, { 2, 0 } }));
    EXPECT_EQ(Row(decoded, 1), Runs({ { 4, 3 }, { 1, 0 } }));
    EXPECT_EQ(Row(decoded, 2), Runs({ { 5, 2 } }));
    EXPECT_EQ(Row(decoded, 3), Runs({ { 2, 4 }, { 3, 0 } }));
}

TEST(ObjectFields, AnEmptyBottomFieldRepeatsTheTopField)
{
    // Progressive subtitles as broadcast: every line once, in the top field.
    Decoded decoded = Decode(Lines({ { { 4, 1 } }, { { 4, 2 } } }), {});
    ASSERT_EQ(decoded.height, 4);
    EXPECT_EQ(Row(decoded, 0), Runs({ { 4, 1 } }));
    EXPECT_EQ(Row(decoded, 1), Runs({ { 4, 1 } }));
    EXPECT_EQ(Row(decoded, 2), Runs({ { 4, 2 } }));
    EXPECT_EQ(Row(decoded, 3), Runs({ { 4, 2 } }));
}

TEST(ObjectFields, AnEmptyTopFieldLeavesNoPixels)
{
    Decoded decoded = Decode({}, Lines({ { { 6, 1 } } }));
    EXPECT_EQ(decoded.width, 6);
    EXPECT_EQ(decoded.height, 0);
    EXPECT_TRUE(decoded.pixels.empty());
}

TEST(ObjectFields, LinesAreCutAtColumn720AndRowsFrom576Dropped)
{
    Decoded wide = Decode(Lines({ { { 700, 1 }, { 100, 2 } } }), {});
    ASSERT_EQ(wide.width, 720);
    EXPECT_EQ(Row(wide, 0), Runs({ { 700, 1 }, { 20, 2 } }));

    // 300 lines of each field reach row 600; only 576 rows exist.
    Decoded tall = Decode(Block(300, 2, 1), Block(300, 2, 2));
    ASSERT_EQ(tall.height, 576);
    EXPECT_EQ(tall.At(0, 574), 1);
    EXPECT_EQ(tall.At(1, 575), 2);
}

TEST(ObjectFields, AStringThatNeverEndsStopsWithItsBlock)
{
    Bytes top { 0x10 };
    top.insert(top.end(), 5000, 0x55); // single pixels of code 1, no end, no end of line
    top.push_back(0xF0);
    Decoded decoded = Decode(top, {});
    EXPECT_EQ(decoded.width, 0) << "the end of line was eaten by the string";
    EXPECT_EQ(decoded.height, 0);

    // A block length past the data ends at the data.
    Bytes line = Lines({ { { 3, 1 } } });
    Bytes data = line;
    CDVBMemoryReader reader(data.data(), data.size());
    CDVBPixelDataDecoder decoder;
    decoder.Decode(reader, 0xFFFF, 0xFFFF);
    EXPECT_EQ(decoder.GetWidth(), 3);
    EXPECT_EQ(decoder.GetHeight(), 2);
}
