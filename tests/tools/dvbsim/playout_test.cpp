#include "Playout.h"

#include "tswriter/TsPacketWriter.h"

#include <gtest/gtest.h>

using namespace dvbsim;

namespace {

constexpr double BYTES_PER_SECOND = 125000; // 1 Mbit/s
constexpr uint64_t PCR_WRAP = (1ull << 33) * 300;

// Packets 0..count-1; every tenth carries a PCR on PID 0x100 telling its own
// byte position at the given rate, starting from firstPcr.
std::vector<uint8_t> PacedStream(size_t count, uint64_t firstPcr = 0)
{
    ts::TsPacketWriter out;
    for (size_t i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            uint64_t ticks = firstPcr + uint64_t(double(i * 188) * 27e6 / BYTES_PER_SECOND);
            ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(ticks % PCR_WRAP));
            out.WritePacket(ts::PacketHeader(0x100), nullptr, 0, &field);
        } else {
            out.WritePacket(ts::PacketHeader(0x101), ts::Bytes(184, uint8_t(i)));
        }
    }
    return out.TakeData();
}

std::vector<uint8_t> Take(Playout& playout, uint64_t nowNs)
{
    std::vector<uint8_t> taken;
    playout.Deliver(nowNs, [&](const uint8_t* data, size_t size) { taken.insert(taken.end(), data, data + size); });
    return taken;
}

std::vector<uint8_t> Looped(const std::vector<uint8_t>& stream, size_t from, size_t size)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < size; ++i)
        bytes.push_back(stream[(from + i) % stream.size()]);
    return bytes;
}

std::string PlayoutRefusal(std::vector<uint8_t> bytes)
{
    try {
        Playout playout(std::move(bytes));
    } catch (const PlayoutError& error) {
        return error.what();
    }
    return "accepted";
}

} // namespace

TEST(Playout, TakesItsRateFromThePcrsAlsoAcrossTheirWrap)
{
    EXPECT_NEAR(Playout(PacedStream(101)).Rate(), BYTES_PER_SECOND, 1);
    EXPECT_NEAR(Playout(PacedStream(101, PCR_WRAP - 27000000 / 10)).Rate(), BYTES_PER_SECOND, 1);
}

TEST(Playout, RefusesWhatCannotBePaced)
{
    EXPECT_EQ(PlayoutRefusal({}), "is not a whole number of 188-byte transport packets");
    std::vector<uint8_t> stream = PacedStream(30);
    stream.pop_back();
    EXPECT_EQ(PlayoutRefusal(stream), "is not a whole number of 188-byte transport packets");
    stream = PacedStream(30);
    stream[188 * 7] = 0;
    EXPECT_EQ(PlayoutRefusal(stream), "has no sync byte at offset 1316");
    // One PCR gives no rate, unless the rate is given.
    EXPECT_EQ(PlayoutRefusal(PacedStream(10)), "carries no two PCRs to take its rate from");
    EXPECT_EQ(Playout(PacedStream(10), 2000000).Rate(), 250000);
}

TEST(Playout, DeliversWholePacketsInOrderLoopingOnlyWhileRunning)
{
    const std::vector<uint8_t> stream = PacedStream(100); // 0.15 s a loop
    Playout playout(stream);
    EXPECT_TRUE(Take(playout, 1000000000).empty()) << "delivered before it started";

    playout.Start(1000000000);
    std::vector<uint8_t> first = Take(playout, 2000000000); // 1 s: 664.89 packets due
    ASSERT_EQ(first.size(), 664u * 188);
    EXPECT_EQ(first, Looped(stream, 0, first.size()));

    // Stopped for 5 s, then resumed: it goes on where it stopped, without a
    // burst: half a second later, half a second's whole packets.
    playout.Stop();
    EXPECT_TRUE(Take(playout, 3000000000).empty());
    playout.Start(7000000000);
    std::vector<uint8_t> second = Take(playout, 7500000000);
    EXPECT_EQ(second.size(), uint64_t(0.5 * BYTES_PER_SECOND) / 188 * 188);
    EXPECT_EQ(second, Looped(stream, first.size(), second.size()));
    EXPECT_EQ(playout.Delivered(), first.size() + second.size());
}
