#include "support/TsReader.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

using namespace ts;

namespace {

Bytes Pattern(size_t size)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = uint8_t(i * 7 + i / 251);
    return data;
}

} // namespace

TEST(PesWriter, PesWithPtsAndDtsReassemblesAcrossPackets)
{
    TsPacketWriter out;
    PesWriter writer(out, 0x100);
    PesPacket sent(0xE0, 0x1FFFFFFFFll, 0x123456789ll, Pattern(5000));
    AdaptationField field = AdaptationField::WithPcr(Pcr { 0x123456700ull, 0 }, true);
    writer.Write(sent, &field);
    PesPacket audio(0xC0, 0, std::nullopt, Pattern(300));
    writer.Write(audio);

    TsReader reader;
    reader.AddPesPid(0x100);
    reader.Read(out.Data());
    reader.Finish();
    const auto& read = reader.PesPackets(0x100);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].pes.streamId, 0xE0);
    EXPECT_EQ(read[0].pes.pts, sent.pts);
    EXPECT_EQ(read[0].pes.dts, sent.dts);
    EXPECT_EQ(read[0].pes.data, sent.data);
    EXPECT_EQ(read[0].declaredLength, 5000 + 3 + 10);
    EXPECT_EQ(read[1].pes.pts, 0);
    EXPECT_FALSE(read[1].pes.dts);
    EXPECT_EQ(read[1].pes.data, audio.data);
    EXPECT_EQ(read[1].declaredLength, 300 + 3 + 5);

    const auto& packets = reader.Packets();
    EXPECT_TRUE(packets.front().randomAccess);
    EXPECT_TRUE(packets.front().pcr);
    for (size_t i = 1; i < packets.size(); ++i) {
        EXPECT_FALSE(packets[i].pcr) << "the field belongs to the first packet only";
        EXPECT_EQ(packets[i].continuityCounter, i % 16);
        EXPECT_EQ(packets[i].payloadUnitStart, i == read[1].packetIndex);
    }
}

TEST(PesWriter, UnboundedVideoPesMayExceed65535Bytes)
{
    TsPacketWriter out;
    PesWriter writer(out, 0x100);
    PesPacket big(0xE0, 3600, std::nullopt, Pattern(70000));
    big.unboundedLength = true;
    writer.Write(big);
    TsReader reader;
    reader.AddPesPid(0x100);
    reader.Read(out.Data());
    reader.Finish();
    ASSERT_EQ(reader.PesPackets(0x100).size(), 1u);
    EXPECT_EQ(reader.PesPackets(0x100)[0].declaredLength, 0);
    EXPECT_EQ(reader.PesPackets(0x100)[0].pes.data, big.data);

    big.unboundedLength = false;
    EXPECT_THROW(PesWriter::Build(big), std::invalid_argument);
}

TEST(PesWriter, PacketByPacketLetsOtherPidsInterleave)
{
    TsPacketWriter out;
    PesWriter video(out, 0x100), audio(out, 0x101);
    video.Start(PesPacket(0xE0, 100, std::nullopt, Pattern(1000)));
    audio.Start(PesPacket(0xC0, 200, std::nullopt, Pattern(1000)));
    EXPECT_THROW(video.Start(PesPacket()), std::logic_error);
    while (video.HasPending() || audio.HasPending()) {
        if (video.HasPending())
            video.WriteNextPacket();
        if (audio.HasPending())
            audio.WriteNextPacket();
    }
    TsReader reader;
    reader.AddPesPid(0x100);
    reader.AddPesPid(0x101);
    reader.Read(out.Data());
    reader.Finish();
    EXPECT_EQ(reader.PesPackets(0x100).at(0).pes.data, Pattern(1000));
    EXPECT_EQ(reader.PesPackets(0x101).at(0).pes.pts, 200);
}

TEST(PesWriter, TimeStampFieldHasMarkerBitsAndPrefix)
{
    Bytes field;
    PesWriter::AppendTimeStamp(field, 0x2, 0);
    EXPECT_EQ(field, (Bytes { 0x21, 0x00, 0x01, 0x00, 0x01 }));
    field.clear();
    PesWriter::AppendTimeStamp(field, 0x3, 0x1FFFFFFFFll);
    EXPECT_EQ(field, (Bytes { 0x3F, 0xFF, 0xFF, 0xFF, 0xFF }));
}
