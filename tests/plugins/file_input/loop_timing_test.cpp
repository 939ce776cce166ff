// How far a pass of a looping file reaches: by its sound and pictures where
// it has them, else by its PCRs and the bytes around them.
#include "DVBLoopTiming.h"

#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr uint64_t kSecond = 90000;

// A multiplexer's file: the PCR starts a second before the first picture,
// sound and pictures stop a quarter of a second after the last PCR.
// Pictures every 3600 ticks (in decoding order, with B-pictures), sound
// every 2160: 231 pictures reach 831600 ticks on, 386 frames 833760.
ts::Bytes MultiplexedPass()
{
    ts::TsPacketWriter writer;
    for (uint64_t pcr = 0; pcr <= 10 * kSecond; pcr += kSecond / 10) {
        const ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(pcr * 300));
        writer.WritePacket(ts::PacketHeader(0x100), ts::Bytes(), &field);
    }
    // I0, then P3 B1 B2, P6 B4 B5 ... up to picture 230.
    std::vector<int64_t> pictures { 0 };
    for (int64_t group = 0; group < 76; ++group)
        pictures.insert(pictures.end(), { 3 * group + 3, 3 * group + 1, 3 * group + 2 });
    pictures.insert(pictures.end(), { 230, 229 });
    for (int64_t picture : pictures)
        ts::PesWriter(writer, 0x101).Write(ts::PesPacket(0xE0, kSecond + picture * 3600, std::nullopt, ts::Bytes(10)));
    for (int64_t frame = 0; frame < 386; ++frame)
        ts::PesWriter(writer, 0x102).Write(ts::PesPacket(0xC0, kSecond + frame * 2160, std::nullopt, ts::Bytes(10)));
    return writer.TakeData();
}
} // namespace

TEST(LoopTiming, APassReachesAsFarAsItsLongestStreamSoTheNextFollowsItsLastUnit)
{
    ts::Bytes pass = MultiplexedPass();
    CDVBLoopTiming timing;
    EXPECT_FALSE(timing.IsMeasured());
    timing.OnDelivered(pass.data(), pass.size(), 0x100);
    ASSERT_TRUE(timing.IsMeasured());
    EXPECT_EQ(timing.GetPassTicks(20000000), 833760u);

    // The same file once more: only its own pass counts.
    timing.StartPass();
    timing.OnDelivered(pass.data(), pass.size(), 0x100);
    EXPECT_EQ(timing.GetPassTicks(20000000), 833760u);
}

TEST(LoopTiming, WithoutSoundOrPicturesAPassLastsFromItsFirstPCRToTheNextPassesFirst)
{
    ts::TsPacketWriter writer;
    writer.WritePacket(ts::PacketHeader(0x101), ts::Bytes(184, 0)); // before the first PCR
    for (uint64_t pcr = 0; pcr <= 2 * kSecond; pcr += kSecond / 10) {
        const ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(pcr * 300));
        writer.WritePacket(ts::PacketHeader(0x100), ts::Bytes(), &field);
    }
    writer.WritePacket(ts::PacketHeader(0x101), ts::Bytes(184, 0)); // after the last
    ts::Bytes pass = writer.TakeData();
    CDVBLoopTiming timing;
    timing.OnDelivered(pass.data(), pass.size(), 0x100);
    // Two packets of 1504 bits around the PCRs, at 1504 bit/s: two seconds.
    EXPECT_EQ(timing.GetPassTicks(1504), 2 * kSecond + 2 * kSecond);
    EXPECT_EQ(timing.GetPassTicks(0), 2 * kSecond) << "without a rate the bytes count for nothing";
}
