#include "StreamTestSupport.h"
#include "stream/DVBPESPacketCollector.h"

#include <gtest/gtest.h>

namespace {
// A PES packet whose declared length makes it exactly totalSize bytes long.
Bytes PESOfSize(size_t totalSize)
{
    Bytes data(totalSize - 14);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<unsigned char>(i * 7);
    return MakePES(2, 5, 90000, 0, data);
}

void AddAll(CDVBPESPacketCollector& collector, const std::vector<Packet>& packets, size_t count)
{
    for (size_t i = 0; i < count; i++)
        collector.AddPacket(const_cast<unsigned char*>(packets[i].data()));
}
} // namespace

TEST(PESPacketCollector, CompleteExactlyAtTheDeclaredLength)
{
    // 3 full payloads: the declared length ends on the last byte of the third packet.
    const Bytes pes = PESOfSize(3 * 184);
    const std::vector<Packet> packets = Packetise(0x30, pes);
    ASSERT_EQ(packets.size(), 3u);
    CDVBPESPacketCollector collector;
    AddAll(collector, packets, 2);
    EXPECT_FALSE(collector.IsComplete());
    AddAll(collector, packets, 0);
    collector.AddPacket(const_cast<unsigned char*>(packets[2].data()));
    EXPECT_TRUE(collector.IsComplete());
    EXPECT_EQ(collector.GetCurrentSize(), pes.size());
    EXPECT_EQ(Bytes(collector.GetData(), collector.GetData() + pes.size()), pes);

    unsigned char* data;
    unsigned long size;
    ASSERT_TRUE(collector.GetInternalData(data, size));
    EXPECT_EQ(data, collector.GetData() + 14);
    EXPECT_EQ(size, pes.size() - 14);
}

TEST(PESPacketCollector, OneByteShortIsNotComplete)
{
    Bytes pes = PESOfSize(3 * 184);
    pes[5]++; // declares one byte more than the three packets carry
    const std::vector<Packet> packets = Packetise(0x30, pes);
    CDVBPESPacketCollector collector;
    AddAll(collector, packets, 3);
    EXPECT_FALSE(collector.IsComplete());
}

TEST(PESPacketCollector, LengthZeroIsCompleteOnceTheFixedHeaderIsIn)
{
    CDVBPESPacketCollector collector;
    EXPECT_FALSE(collector.IsComplete());
    Packet packet = MakeAdaptationPacket(0x30, 177, true); // 6 payload bytes
    packet[1] |= 0x40;
    const unsigned char header[6] = { 0, 0, 1, 0xBD, 0, 0 };
    std::memcpy(packet.data() + 182, header, 6);
    collector.AddPacket(packet.data());
    EXPECT_EQ(collector.GetCurrentSize(), 6u);
    EXPECT_TRUE(collector.IsComplete());
    unsigned char* data;
    unsigned long size;
    EXPECT_FALSE(collector.GetInternalData(data, size)) << "too short for the PES header";
}

TEST(PESPacketCollector, AStartPacketBeginsAfreshAndContinuationsAppendWithoutOne)
{
    CDVBPESPacketCollector collector;
    Packet continuation = MakePacket(0x30, false, 0xAB);
    collector.AddPacket(continuation.data());
    EXPECT_EQ(collector.GetCurrentSize(), 184u) << "no start needed";
    collector.AddPacket(continuation.data());
    EXPECT_EQ(collector.GetCurrentSize(), 368u);

    std::vector<Packet> packets = Packetise(0x30, PESOfSize(100));
    collector.AddPacket(packets[0].data());
    EXPECT_EQ(collector.GetCurrentSize(), 184u);
    EXPECT_EQ(collector.GetData()[3], 0xE0);

    Packet empty = MakeAdaptationPacket(0x30, 183, false);
    collector.AddPacket(empty.data());
    EXPECT_EQ(collector.GetCurrentSize(), 184u) << "a packet without payload changes nothing";
    collector.Reset();
    EXPECT_EQ(collector.GetCurrentSize(), 0u);
}

TEST(PESPacketCollector, TruncatesAtTheLargestPESPacket)
{
    CDVBPESPacketCollector collector;
    Packet continuation = MakePacket(0x30, false, 0x11);
    for (int i = 0; i < 400; i++) // 73,600 bytes offered
        collector.AddPacket(continuation.data());
    EXPECT_EQ(collector.GetCurrentSize(), DVB_PES_COLLECTOR_SIZE);
    EXPECT_EQ(collector.GetData()[DVB_PES_COLLECTOR_SIZE - 1], 0x11);
}

TEST(PESPacketCollector, ACopyOwnsItsOwnBuffer)
{
    CDVBPESPacketCollector original;
    Packet packet = MakePacket(0x30, false, 0x22);
    original.AddPacket(packet.data());
    CDVBPESPacketCollector copy = original;
    EXPECT_NE(copy.GetData(), original.GetData());
    EXPECT_EQ(copy.GetCurrentSize(), 184u);
    copy.AddPacket(packet.data());
    EXPECT_EQ(original.GetCurrentSize(), 184u);
    EXPECT_EQ(copy.GetCurrentSize(), 368u);
}
