#include "DvbSubtitleEncoder.h"
#include "PixelCodeStrings.h"
#include "SubtitleDecoder.h"
#include "SubtitlePalette.h"

#include <gtest/gtest.h>

#include <random>

using namespace subtitle_check;

namespace {

// Lines whose runs cover every length boundary of the two codings: single
// pixels, the short and long run forms and runs too long for one code.
std::vector<std::vector<uint8_t>> AwkwardLines(uint8_t maxCode)
{
    std::vector<std::vector<uint8_t>> lines;
    for (size_t length : { 1, 2, 3, 4, 7, 8, 9, 10, 11, 12, 24, 25, 27, 28, 29, 280, 281, 284, 285, 600 })
        for (uint8_t code = 0; code <= maxCode; ++code) {
            std::vector<uint8_t> line(length, code);
            line.push_back(uint8_t((code + 1) % (maxCode + 1))); // a different pixel ends each run
            lines.push_back(line);
        }
    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {
        std::vector<uint8_t> line;
        while (line.size() < 720) {
            size_t run = random() % 40 + 1;
            line.insert(line.end(), run, uint8_t(random() % (maxCode + 1)));
        }
        line.resize(720);
        lines.push_back(line);
    }
    return lines;
}

std::vector<uint8_t> DecodeLine(const ts::Bytes& block, size_t width)
{
    Pixels pixels { int(width), 1, std::vector<uint8_t>(width, 0xEE) };
    DecodeField(block.data(), block.size(), 0, pixels);
    return pixels.codes;
}

SubtitleBitmap Checkerboard(int width, int height, uint8_t maxCode)
{
    SubtitleBitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.Set(x, y, uint8_t((x / 3 + y) % (maxCode + 1)));
    return bitmap;
}

const Segment& Find(const std::vector<Segment>& segments, uint8_t type, size_t nth = 0)
{
    for (const Segment& segment : segments)
        if (segment.type == type && nth-- == 0)
            return segment;
    throw std::runtime_error("segment missing");
}

} // namespace

TEST(PixelCodeStrings, TwoBitLinesDecodeToTheirCodes)
{
    for (const auto& line : AwkwardLines(3)) {
        ts::Bytes block;
        PixelCodeStrings::AppendTwoBitLine(block, line.data(), line.size());
        PixelCodeStrings::AppendEndOfLine(block);
        ASSERT_EQ(DecodeLine(block, line.size()), line)
            << "line of " << line.size() << " starting with code " << int(line[0]);
    }
}

TEST(PixelCodeStrings, FourBitLinesDecodeToTheirCodes)
{
    for (const auto& line : AwkwardLines(15)) {
        ts::Bytes block;
        PixelCodeStrings::AppendFourBitLine(block, line.data(), line.size());
        PixelCodeStrings::AppendEndOfLine(block);
        ASSERT_EQ(DecodeLine(block, line.size()), line)
            << "line of " << line.size() << " starting with code " << int(line[0]);
    }
}

TEST(PixelCodeStrings, LongRunsAreCompact)
{
    std::vector<uint8_t> blank(720, 0);
    ts::Bytes two, four;
    PixelCodeStrings::AppendTwoBitLine(two, blank.data(), blank.size());
    PixelCodeStrings::AppendFourBitLine(four, blank.data(), blank.size());
    // 720 = 284 + 284 + 152 in three 16-bit runs: 8 + 48 + 6 bits of end code, 8 bytes.
    EXPECT_EQ(two.size(), 8u);
    // 720 = 280 + 280 + 160 in three 20-bit runs: 8 + 60 + 8 bits, 10 bytes.
    EXPECT_EQ(four.size(), 10u);
}

TEST(PixelCodeStrings, CodesBeyondTheDepthAreRefused)
{
    uint8_t codes[] = { 1, 4 };
    ts::Bytes out;
    EXPECT_THROW(PixelCodeStrings::AppendTwoBitLine(out, codes, 2), std::invalid_argument);
}

TEST(DvbSubtitleEncoder, PageHoldsRegionsClutAndObjectsThatDecodeToTheBitmaps)
{
    DvbSubtitleEncoder encoder(5);
    SubtitleRegion four { 100, 400, 4, Checkerboard(61, 9, 15) };
    SubtitleRegion two { 40, 450, 2, Checkerboard(200, 8, 3) };
    auto segments = ReadDisplaySet(encoder.ShowPage({ four, two }, 7));

    std::vector<uint8_t> types;
    for (const Segment& segment : segments) {
        types.push_back(segment.type);
        EXPECT_EQ(segment.pageId, 5);
    }
    EXPECT_EQ(types, (std::vector<uint8_t> { 0x10, 0x11, 0x11, 0x12, 0x13, 0x13, 0x80 }));

    const ts::Bytes& page = Find(segments, 0x10).body;
    ASSERT_EQ(page.size(), 2u + 2 * 6u);
    EXPECT_EQ(page[0], 7) << "time-out";
    EXPECT_EQ(page[1] >> 2 & 3, 2) << "mode change";
    EXPECT_EQ(page[2 + 6 + 0], 1);
    EXPECT_EQ(page[2 + 6 + 2] << 8 | page[2 + 6 + 3], 40);
    EXPECT_EQ(page[2 + 6 + 4] << 8 | page[2 + 6 + 5], 450);

    for (size_t i = 0; i < 2; ++i) {
        const SubtitleRegion& region = i == 0 ? four : two;
        const ts::Bytes& composition = Find(segments, 0x11, i).body;
        EXPECT_EQ(composition[0], i);
        int width = composition[2] << 8 | composition[3];
        int height = composition[4] << 8 | composition[5];
        EXPECT_EQ(width, region.bitmap.Width());
        EXPECT_EQ(height, region.bitmap.Height());
        EXPECT_EQ(composition[6] >> 2 & 7, region.depthBits == 4 ? 2 : 1);
        EXPECT_EQ(composition[10] << 8 | composition[11], int(i)) << "object id";

        Pixels pixels = DecodeObject(Find(segments, 0x13, i).body, width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(pixels.At(x, y), region.bitmap.At(x, y)) << "region " << i << " at " << x << "," << y;
    }
}

TEST(DvbSubtitleEncoder, ClutGivesCodes0To3TheSameColourAtBothDepths)
{
    DvbSubtitleEncoder encoder(1);
    SubtitleRegion region { 0, 0, 2, Checkerboard(8, 2, 3) };
    auto clut = ReadClut(Find(ReadDisplaySet(encoder.ShowPage({ region }, 5)), 0x12).body);
    for (const ClutEntry& entry : SubtitlePalette::Entries()) {
        Colour expected { entry.y, entry.cr, entry.cb, entry.t };
        EXPECT_EQ(clut.at({ entry.depthFlags, entry.id }), expected) << "entry " << int(entry.id);
    }
    for (uint8_t id = 0; id < 4; ++id)
        EXPECT_EQ(clut.at({ 0x80, id }), clut.at({ 0x40, id }));
    EXPECT_EQ(clut.at({ 0x40, SubtitlePalette::SHADE }).t, 128) << "half-transparent, from a reduced-range entry";
}

TEST(DvbSubtitleEncoder, ClearingPageHasNoRegionsAndVersionsMove)
{
    DvbSubtitleEncoder encoder(1);
    SubtitleRegion region { 0, 0, 4, Checkerboard(8, 2, 15) };
    auto shown = ReadDisplaySet(encoder.ShowPage({ region }, 5));
    auto cleared = ReadDisplaySet(encoder.ClearPage());
    auto again = ReadDisplaySet(encoder.ShowPage({ region }, 5));
    ASSERT_EQ(cleared.size(), 2u);
    EXPECT_EQ(cleared[0].type, 0x10);
    EXPECT_EQ(cleared[0].body.size(), 2u) << "no region references";
    EXPECT_EQ(cleared[0].body[1] >> 2 & 3, 0) << "normal case";
    EXPECT_EQ(cleared[1].type, 0x80);
    // Decoders skip a page composition whose version they have seen.
    uint8_t versions[]
        = { uint8_t(shown[0].body[1] >> 4), uint8_t(cleared[0].body[1] >> 4), uint8_t(again[0].body[1] >> 4) };
    EXPECT_NE(versions[0], versions[1]);
    EXPECT_NE(versions[1], versions[2]);
    EXPECT_NE(Find(shown, 0x11).body[1] >> 4, Find(again, 0x11).body[1] >> 4) << "region version";
}

TEST(SubtitleBitmap, TextIsOutlinedOnItsBox)
{
    SubtitleBitmap bitmap = SubtitleBitmap::RenderText("I", 2, 1, 2, 3);
    EXPECT_EQ(bitmap.Width(), 5 * 2 + 2 * 4);
    EXPECT_EQ(bitmap.Height(), 7 * 2 + 2 * 4);
    // 'I' has a full-height stem in its middle column (font columns 1-3 top row).
    EXPECT_EQ(bitmap.At(4 + 2 * 2, 4 + 2 * 3), 1);
    EXPECT_EQ(bitmap.At(4 + 2 * 2 - 1, 4 + 2 * 3), 2) << "beside the stem";
    EXPECT_EQ(bitmap.At(0, 0), 3) << "box corner";
}

TEST(DvbSubtitleEncoder, DisplaySetsForOtherDisplaysBeginWithTheirDefinition)
{
    DvbSubtitleEncoder encoder(3);
    SubtitleRegion region { 0, 0, 4, Checkerboard(8, 2, 15) };
    const auto word = [](const ts::Bytes& body, size_t at) { return body[at] << 8 | body[at + 1]; };

    encoder.DefineDisplay(1920, 1080);
    for (const ts::Bytes& payload : { encoder.ShowPage({ region }, 5), encoder.ClearPage() }) {
        auto segments = ReadDisplaySet(payload);
        ASSERT_EQ(segments[0].type, 0x14);
        EXPECT_EQ(segments[0].pageId, 3);
        const ts::Bytes& body = segments[0].body;
        ASSERT_EQ(body.size(), 5u) << "no window";
        EXPECT_EQ(body[0] & 0x08, 0);
        EXPECT_EQ(word(body, 1), 1919) << "sizes are sent less one";
        EXPECT_EQ(word(body, 3), 1079);
        EXPECT_EQ(segments[1].type, 0x10);
    }

    encoder.DefineDisplay(1280, 720, SubtitleWindow { 100, 1179, 20, 699 });
    const ts::Bytes body = ReadDisplaySet(encoder.ShowPage({ region }, 5))[0].body;
    ASSERT_EQ(body.size(), 13u);
    EXPECT_EQ(body[0] & 0x08, 0x08);
    EXPECT_EQ(word(body, 1), 1279);
    EXPECT_EQ(word(body, 5), 100);
    EXPECT_EQ(word(body, 7), 1179);
    EXPECT_EQ(word(body, 9), 20);
    EXPECT_EQ(word(body, 11), 699);
    EXPECT_THROW(encoder.DefineDisplay(0, 576), std::invalid_argument);
}
