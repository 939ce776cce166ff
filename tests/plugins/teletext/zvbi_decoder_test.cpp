#include "DVBZVBITeletextDecoder.h"
#include "TeletextEncoder.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

namespace {

// Decodes the page as one PES and returns the pages it completed.
std::vector<int> Decode(CDVBTeletextDecoder& decoder, const TeletextPage& page)
{
    ts::PesPacket pes(
        0xBD, 90000, std::nullopt, TeletextEncoder::PesData(TeletextEncoder::PagePackets(page), page.subtitle));
    pes.headerDataLength = 0x24;
    ts::Bytes bytes = ts::PesWriter::Build(pes);
    std::vector<CDVBTeletextPacket> packets;
    EXPECT_TRUE(CDVBTeletextPacket::ParsePES(bytes.data(), (unsigned long)bytes.size(), packets));
    std::vector<int> completed;
    decoder.Decode(packets, [&](int number, int) { completed.push_back(number); });
    return completed;
}

size_t OpaqueInRows(const CDVBTeletextPage& page, int firstRow, int lastRow)
{
    size_t count = 0;
    for (int y = firstRow * 10; y < (lastRow + 1) * 10; ++y)
        for (int x = 0; x < page.m_bitmapWidth; ++x)
            count += page.m_bitmap[size_t(y * page.m_bitmapWidth + x)] >> 24 != 0;
    return count;
}

} // namespace

TEST(ZVBITeletextDecoder, DecodesPagesWithTheirNationalCharacters)
{
    CDVBZVBITeletextDecoder decoder;
    TeletextPage page;
    page.number = 0x101;
    page.charset = TeletextCharset::German;
    page.rows = { { 1, "Grüße aus Köln" }, { 3, "  Straße" } };
    EXPECT_EQ(Decode(decoder, page), std::vector<int> { 0x101 }) << "the filler header ends it; 1FF is no page";
    CDVBTeletextPage decoded;
    ASSERT_TRUE(decoder.FormatPage(0x101, -1, false, decoded));
    EXPECT_EQ(decoded.GetText(), "Grüße aus Köln\nStraße\n");
    EXPECT_EQ(decoded.GetRowText(3), "  Straße");
    EXPECT_TRUE(decoded.m_bitmap.empty()) << "painted only when asked";
    EXPECT_FALSE(decoder.FormatPage(0x102, -1, false, decoded));
}

// The links mkts writes in X/27/0 come out of libzvbi as the page's colour
// links: one into another magazine (the magazine is sent relative to the
// page's), and a colour with no page, which is sent as page FF.
TEST(ZVBITeletextDecoder, ReadsTheColourLinksOfThePage)
{
    CDVBZVBITeletextDecoder decoder;
    TeletextPage page;
    page.number = 0x150;
    page.rows = { { 1, "Index" } };
    page.links = { 0x151, 0x8A0, 0x234, 0 };
    Decode(decoder, page);
    CDVBTeletextPage decoded;
    ASSERT_TRUE(decoder.FormatPage(0x150, -1, false, decoded));
    EXPECT_EQ(decoded.m_links, (std::array<int, 4> { 0x151, 0x8A0, 0x234, 0 }));

    page.number = 0x152;
    page.links = {};
    Decode(decoder, page);
    ASSERT_TRUE(decoder.FormatPage(0x152, -1, false, decoded));
    EXPECT_EQ(decoded.m_links, (std::array<int, 4> {})) << "a page without X/27/0 names none";
}

// A subtitle page is boxed text on black over a transparent page; erased,
// nothing of it is left.
TEST(ZVBITeletextDecoder, PaintsSubtitlePagesBoxedOnATransparentPage)
{
    CDVBZVBITeletextDecoder decoder;
    TeletextPage page;
    page.number = 0x888;
    page.charset = TeletextCharset::Italian;
    page.subtitle = true;
    page.rows = { { 22, "Città" } };
    Decode(decoder, page);
    CDVBTeletextPage painted;
    ASSERT_TRUE(decoder.FormatPage(0x888, -1, true, painted));
    ASSERT_EQ(painted.m_bitmapWidth, 41 * 12);
    ASSERT_EQ(painted.m_bitmapHeight, 25 * 10);
    EXPECT_EQ(OpaqueInRows(painted, 0, 21), 0u);
    EXPECT_EQ(OpaqueInRows(painted, 23, 24), 0u);
    // Two box characters each side and the five letters, 12 pixels wide.
    EXPECT_GE(OpaqueInRows(painted, 22, 22), 7u * 12 * 10);
    EXPECT_LT(OpaqueInRows(painted, 22, 22), 12u * 12 * 10);

    page.rows.clear();
    Decode(decoder, page);
    ASSERT_TRUE(decoder.FormatPage(0x888, -1, true, painted));
    EXPECT_EQ(OpaqueInRows(painted, 0, 24), 0u);
    EXPECT_TRUE(painted.IsBlank());
}

// However many subpages a stream sends, the decoder keeps a bounded number:
// past the limit it forgets them all and starts again.
TEST(ZVBITeletextDecoder, ForgetsEverythingPastItsPageLimit)
{
    constexpr int LIMIT = 300;
    CDVBZVBITeletextDecoder decoder(LIMIT);
    TeletextPage page;
    page.number = 0x100;
    page.rows = { { 1, "first" } };
    Decode(decoder, page);
    CDVBTeletextPage decoded;
    page.number = 0x101;
    // Subcodes have 7 bits in their low byte and 6 in their high one.
    const auto subcode = [](int count) { return (count / 128) << 8 | count % 128; };
    for (int count = 0; count + 1 < LIMIT; ++count) {
        page.subpage = subcode(count);
        Decode(decoder, page);
    }
    ASSERT_TRUE(decoder.FormatPage(0x100, -1, false, decoded)) << "at the limit it still has everything";
    page.subpage = subcode(LIMIT - 1);
    Decode(decoder, page);
    EXPECT_FALSE(decoder.FormatPage(0x100, -1, false, decoded));
    page.number = 0x102;
    Decode(decoder, page);
    EXPECT_TRUE(decoder.FormatPage(0x102, -1, false, decoded)) << "and goes on decoding";
}
