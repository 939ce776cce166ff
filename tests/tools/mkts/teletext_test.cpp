#include "LoadedStream.h"
#include "MuxDescription.h"
#include "MuxError.h"
#include "TeletextEncoder.h"
#include "tswriter/PesWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

const std::string HEAD = "multiplex name=\"M\" network_id=1 transport_stream_id=2 original_network_id=3 "
                         "frequency=474000000\n"
                         "stream pid=0x100 kind=video file=v.m2v\n"
                         "stream pid=0x102 kind=teletext\n"
                         "service id=7 pmt_pid=0x20 type=tv name=\"T\" streams=0x100,0x102\n";

std::string TeletextError(const std::string& text)
{
    try {
        MuxDescription::Parse(HEAD + text, "test.mux");
    } catch (const MuxError& error) {
        return error.what();
    }
    return "no error";
}

uint8_t Reverse(uint8_t byte)
{
    uint8_t out = 0;
    for (int bit = 0; bit < 8; ++bit)
        out = uint8_t(out << 1 | (byte >> bit & 1));
    return out;
}

} // namespace

// Any two code words differ in at least four bits, so one error is mended
// and two are seen.
TEST(TeletextEncoder, HammingCodesAreFourBitsApartAndCharactersOddParity)
{
    for (int a = 0; a < 16; ++a)
        for (int b = a + 1; b < 16; ++b)
            EXPECT_GE(
                __builtin_popcount(TeletextEncoder::Hamming84(uint8_t(a)) ^ TeletextEncoder::Hamming84(uint8_t(b))), 4)
                << a << " " << b;
    EXPECT_EQ(TeletextEncoder::Hamming84(0), 0x15);
    for (int c = 0x20; c < 0x80; ++c)
        EXPECT_EQ(__builtin_popcount(TeletextEncoder::OddParity(uint8_t(c))) % 2, 1);
}

TEST(TeletextEncoder, NationalCharactersTakeTheirSubsetsCodes)
{
    EXPECT_EQ(TeletextEncoder::EncodeText("Köln", TeletextCharset::German)[1], TeletextEncoder::OddParity(0x7C));
    EXPECT_EQ(TeletextEncoder::Encode(U'£', TeletextCharset::English), 0x23);
    EXPECT_EQ(TeletextEncoder::Encode(U'ß', TeletextCharset::German), 0x7E);
    EXPECT_EQ(TeletextEncoder::Encode(U'ò', TeletextCharset::Italian), 0x7C);
    EXPECT_EQ(TeletextEncoder::Encode(U'ç', TeletextCharset::French), 0x7E);
    // The subset replaced the code: the plain character is not there any more.
    EXPECT_THROW(TeletextEncoder::Encode(U'@', TeletextCharset::German), MuxError);
    EXPECT_THROW(TeletextEncoder::Encode(U'ß', TeletextCharset::French), MuxError);
}

// A subtitle page in a PES: header with erase and subtitle bits and the
// national option, its rows, the time-filling header ending it, stuffing,
// all in whole transport packets with the 45-byte header.
TEST(TeletextEncoder, WritesSubtitlePagesAsEN300472DataUnits)
{
    TeletextPage page;
    page.number = 0x888;
    page.charset = TeletextCharset::Italian;
    page.subtitle = true;
    page.rows = { { 22, "Città" } };
    const ts::Bytes data = TeletextEncoder::PesData(TeletextEncoder::PagePackets(page), true);
    ts::PesPacket pes(0xBD, 90000, std::nullopt, data);
    pes.headerDataLength = 0x24;
    const ts::Bytes whole = ts::PesWriter::Build(pes);
    EXPECT_EQ(whole.size() % 184, 0u);
    EXPECT_EQ(whole[8], 0x24);
    ASSERT_EQ(data[0], 0x10);
    ASSERT_EQ((data.size() - 1) % 46, 0u);
    std::vector<ts::Bytes> packets;
    for (size_t unit = 1; unit < data.size(); unit += 46) {
        if (data[unit] == 0xFF)
            continue;
        EXPECT_EQ(data[unit], 0x03);
        EXPECT_EQ(data[unit + 1], 0x2C);
        EXPECT_EQ(data[unit + 3], 0xE4);
        ts::Bytes packet;
        for (size_t at = unit + 4; at < unit + 46; ++at)
            packet.push_back(Reverse(data[at]));
        packets.push_back(packet);
    }
    ASSERT_EQ(packets.size(), 3u);
    using E = TeletextEncoder;
    // Magazine 8 is sent as 0; row 0 is the header.
    EXPECT_EQ(packets[0][0], E::Hamming84(0));
    EXPECT_EQ(packets[0][1], E::Hamming84(0));
    EXPECT_EQ(packets[0][2], E::Hamming84(8));
    EXPECT_EQ(packets[0][3], E::Hamming84(8));
    EXPECT_EQ(packets[0][5], E::Hamming84(8)); // C4 erase
    EXPECT_EQ(packets[0][7], E::Hamming84(8)); // C6 subtitle
    EXPECT_EQ(packets[0][9], E::Hamming84(0xC)); // C13, C14: Italian
    // Row 22: magazine 0 with the row's low bit, then its high bits.
    EXPECT_EQ(packets[1][0], E::Hamming84(0));
    EXPECT_EQ(packets[1][1], E::Hamming84(11));
    const ts::Bytes text = E::EncodeText("Città", TeletextCharset::Italian);
    EXPECT_NE(std::search(packets[1].begin(), packets[1].end(), text.begin(), text.end()), packets[1].end());
    EXPECT_EQ(packets[2][3], E::Hamming84(0xF));
    EXPECT_EQ(packets[2][2], E::Hamming84(0xF));
}

TEST(TeletextDescription, ReadsPagesAndTimesCaptionsOnTheirPage)
{
    // A radio service spares the test a picture stream to read.
    MuxDescription mux = MuxDescription::Parse(
        "multiplex name=M network_id=1 transport_stream_id=2 original_network_id=3 frequency=474000000\n"
        "stream pid=0x101 kind=audio file=" KRX_DEMO_DIR "/audio_eng.mp2\n"
        "stream pid=0x102 kind=teletext\n"
        "service id=7 pmt_pid=0x20 type=radio name=R streams=0x101,0x102\n"
        "teletext pid=0x102 page=100 language=deu header=\"H\" text=\"eins|zwei\"\n"
        "teletext pid=0x102 page=888 type=5 language=ita\n"
        "subtitle pid=0x102 page=888 start=1 end=2 text=\"ciao\"\n"
        "subtitle pid=0x102 page=888 start=3 end=4 text=\"a|b\"\n",
        "test.mux");
    ASSERT_EQ(mux.teletextPages.size(), 2u);
    EXPECT_EQ(mux.teletextPages[0].rows, (std::vector<std::string> { "eins", "zwei" }));
    EXPECT_EQ(mux.teletextPages[1].Address(), 0x888);
    EXPECT_TRUE(mux.teletextPages[1].IsSubtitle());
    const LoadedStream stream = LoadedStream::LoadAll(mux).at(1);
    EXPECT_EQ(stream.streamId, 0xBD);
    // Each caption is set and erased; the plain page goes out each second until one after the last.
    std::vector<int64_t> times;
    for (const AccessUnit& unit : stream.units)
        times.push_back(unit.pts);
    EXPECT_EQ(times, (std::vector<int64_t> { 0, 90000, 90000, 180000, 180000, 270000, 270000, 360000, 360000 }));
}

TEST(TeletextDescription, RefusesPagesAndCaptionsThatDoNotFit)
{
    EXPECT_THAT(TeletextError("teletext pid=0x100 page=100\n"), HasSubstr("not a teletext stream"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=900\n"), HasSubstr("page"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=100 type=3\n"), HasSubstr("type=3"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=888 type=2 text=\"x\"\n"), HasSubstr("subtitle lines"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=100\nsubtitle pid=0x102 page=100 start=1 end=2 text=x\n"),
        HasSubstr("no teletext line makes a subtitle page"));
    EXPECT_THAT(TeletextError("subtitle pid=0x102 start=1 end=2 text=x\n"), HasSubstr("page 0"));
}

TEST(TeletextDescription, ReadsColourLinksOfPlainPagesOnly)
{
    const MuxDescription mux
        = MuxDescription::Parse(HEAD + "teletext pid=0x102 page=100 links=101,0,899\n", "test.mux");
    EXPECT_EQ(mux.teletextPages.at(0).links, (std::array<int, 4> { 101, 0, 899, 0 }));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=888 type=2 links=100\n"), HasSubstr("no links"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=100 links=101,102,103,104,105\n"), HasSubstr("four colours"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=100 links=99\n"), HasSubstr("not 0 or 100..899"));
    EXPECT_THAT(TeletextError("teletext pid=0x102 page=100 links=900\n"), HasSubstr("links=900"));
}
