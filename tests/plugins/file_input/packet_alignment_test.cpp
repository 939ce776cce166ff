#include "DVBPacketAlignment.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<unsigned char> Packets(size_t count, size_t lead, unsigned char fill = 0x00)
{
    std::vector<unsigned char> data(lead + count * 188, fill);
    for (size_t i = 0; i < count; ++i)
        data[lead + i * 188] = DVB_SYNC_BYTE;
    return data;
}
} // namespace

TEST(PacketAlignment, FindsTheFirstWholePacketOfACutStream)
{
    EXPECT_EQ(FindPacketAlignment(Packets(10, 0).data(), 10 * 188), 0);
    const std::vector<unsigned char> cut = Packets(10, 77);
    EXPECT_EQ(FindPacketAlignment(cut.data(), cut.size()), 77);
}

TEST(PacketAlignment, PassesOverSyncBytesThatDoNotRepeat)
{
    std::vector<unsigned char> data = Packets(10, 100);
    data[3] = DVB_SYNC_BYTE;
    data[3 + 188] = DVB_SYNC_BYTE; // two in step, but not five
    data[50] = DVB_SYNC_BYTE;
    EXPECT_EQ(FindPacketAlignment(data.data(), data.size()), 100);
}

TEST(PacketAlignment, ShortStreamsNeedOnlyThePacketsTheyHold)
{
    const std::vector<unsigned char> two = Packets(2, 5);
    EXPECT_EQ(FindPacketAlignment(two.data(), two.size()), 5);
    const std::vector<unsigned char> one = Packets(1, 0);
    EXPECT_EQ(FindPacketAlignment(one.data(), one.size()), 0);
}

TEST(PacketAlignment, FindsNothingWithoutAWholePacket)
{
    const std::vector<unsigned char> zeros(1000, 0);
    EXPECT_EQ(FindPacketAlignment(zeros.data(), zeros.size()), -1);
    const std::vector<unsigned char> partial = Packets(1, 0);
    EXPECT_EQ(FindPacketAlignment(partial.data(), 187), -1) << "a sync byte without a whole packet behind it";
    EXPECT_EQ(FindPacketAlignment(partial.data(), 0), -1);
    const std::vector<unsigned char> allSync(1000, DVB_SYNC_BYTE);
    EXPECT_EQ(FindPacketAlignment(allSync.data(), allSync.size()), 0) << "any byte can be a sync byte";
}
