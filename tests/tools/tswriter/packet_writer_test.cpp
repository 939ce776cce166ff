#include "support/TsReader.h"
#include "tswriter/Crc32Mpeg2.h"
#include "tswriter/TsPacketWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ts;

namespace {

std::vector<PacketInfo> ReadBack(const Bytes& stream)
{
    TsReader reader;
    reader.Read(stream);
    return reader.Packets();
}

} // namespace

TEST(Crc32Mpeg2, MatchesTheCatalogueCheckValue)
{
    const char* text = "123456789";
    EXPECT_EQ(Crc32Mpeg2(reinterpret_cast<const uint8_t*>(text), std::strlen(text)), 0x0376E6E7u);
    EXPECT_EQ(Crc32Mpeg2(nullptr, 0), 0xFFFFFFFFu);
}

TEST(TsPacketWriter, EveryPacketIs188BytesWhateverItCarries)
{
    TsPacketWriter writer;
    AdaptationField pcrField;
    pcrField.pcr = Pcr { 0x1FFFFFFFFull, 299 };
    for (size_t size : { size_t(0), size_t(1), size_t(176), size_t(182), size_t(183), size_t(184) }) {
        Bytes payload(size, 0xAB);
        writer.WritePacket(PacketHeader(0x100), payload);
        if (size <= TsPacketWriter::PayloadCapacity(&pcrField))
            writer.WritePacket(PacketHeader(0x100), payload, &pcrField);
    }
    writer.WriteNullPacket();
    ASSERT_EQ(writer.Data().size(), writer.PacketCount() * PACKET_SIZE);
    for (const PacketInfo& info : ReadBack(writer.Data()))
        EXPECT_LE(info.payloadOffset, PACKET_SIZE);
}

TEST(TsPacketWriter, ShortPayloadIsPaddedByTheAdaptationField)
{
    TsPacketWriter writer;
    writer.WritePacket(PacketHeader(0x42), Bytes(183, 0x11)); // one byte to pad: a field of length 0
    writer.WritePacket(PacketHeader(0x42), Bytes(10, 0x22));
    writer.WritePacket(PacketHeader(0x42), Bytes());
    const Bytes& data = writer.Data();
    EXPECT_EQ(data[3] & 0x30, 0x30);
    EXPECT_EQ(data[4], 0);
    EXPECT_EQ(data[5], 0x11);
    EXPECT_EQ(data[PACKET_SIZE + 4], 188 - 4 - 1 - 10);
    EXPECT_EQ(data[PACKET_SIZE + 5], 0x00) << "stuffing only, no flags";
    EXPECT_EQ(data[2 * PACKET_SIZE - 10], 0x22);
    EXPECT_EQ(data[2 * PACKET_SIZE + 3] & 0x30, 0x20) << "no payload: adaptation field only";
    EXPECT_EQ(data[2 * PACKET_SIZE + 4], 183);
}

TEST(TsPacketWriter, HeaderFieldsAndPcrReadBack)
{
    TsPacketWriter writer;
    PacketHeader header(0x1ABC, true);
    header.transportError = true;
    header.scrambling = 2;
    header.continuityCounter = 9;
    AdaptationField field = AdaptationField::WithPcr(Pcr::From27MHz(0x1FFFFFFFFull * 300 + 123), true);
    field.discontinuity = true;
    writer.WritePacket(header, Bytes(20, 0), &field);
    header.adaptationFieldControl = 0; // reserved value, written as asked
    writer.WritePacket(header, Bytes(184, 0));

    auto packets = ReadBack(writer.Data());
    ASSERT_EQ(packets.size(), 2u);
    const PacketInfo& first = packets[0];
    EXPECT_EQ(first.pid, 0x1ABC);
    EXPECT_TRUE(first.payloadUnitStart);
    EXPECT_TRUE(first.transportError);
    EXPECT_EQ(first.scrambling, 2);
    EXPECT_EQ(first.continuityCounter, 9);
    EXPECT_TRUE(first.discontinuity);
    EXPECT_TRUE(first.randomAccess);
    ASSERT_TRUE(first.pcr);
    EXPECT_EQ(first.pcr->base, 0x1FFFFFFFFull);
    EXPECT_EQ(first.pcr->extension, 123);
    EXPECT_EQ(first.payloadOffset, PACKET_SIZE - 20);
    EXPECT_EQ(packets[1].adaptationFieldControl, 0);
}

TEST(TsPacketWriter, PayloadTooLongForTheFieldIsRefused)
{
    TsPacketWriter writer;
    AdaptationField field = AdaptationField::WithPcr(Pcr {});
    EXPECT_THROW(writer.WritePacket(PacketHeader(1), Bytes(185, 0)), std::invalid_argument);
    EXPECT_THROW(writer.WritePacket(PacketHeader(1), Bytes(177, 0), &field), std::invalid_argument);
    EXPECT_THROW(writer.WritePacket(PacketHeader(0x2000), Bytes(1, 0)), std::invalid_argument);
    EXPECT_EQ(writer.PacketCount(), 0u);
}

TEST(TsPacketWriter, ContinuityCountersRunModulo16PerPid)
{
    TsPacketWriter writer;
    for (int i = 0; i < 20; ++i) {
        writer.WritePacket(PacketHeader(0x100), Bytes(184, 0));
        if (i % 2 == 0)
            writer.WritePacket(PacketHeader(0x200), Bytes(184, 0));
    }
    AdaptationField pcrOnly = AdaptationField::WithPcr(Pcr {});
    writer.WritePacket(PacketHeader(0x100), Bytes(), &pcrOnly); // no payload: counter repeats
    writer.WritePacket(PacketHeader(0x100), Bytes(184, 0));
    PacketHeader gap(0x100);
    gap.continuityCounter = 2;
    writer.WritePacket(gap, Bytes(184, 0));
    writer.WritePacket(PacketHeader(0x100), Bytes(184, 0));

    std::vector<int> first, second;
    for (const PacketInfo& info : ReadBack(writer.Data()))
        (info.pid == 0x100 ? first : second).push_back(info.continuityCounter);
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back(i % 16);
    expected.insert(expected.end(), { 3, 4, 2, 3 });
    EXPECT_EQ(first, expected);
    EXPECT_EQ(second, (std::vector<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
}
