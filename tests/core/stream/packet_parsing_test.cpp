#include "StreamTestSupport.h"

#include "stream/DVBPCRReceiver.h"
#include "stream/DVBTimestampShift.h"
#include "stream/DVBTiming.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
// A packet on the heap with nothing around it, so that the address sanitizer
// catches any read outside its 188 bytes.
std::unique_ptr<unsigned char[]> Exact(const Packet& packet)
{
    auto copy = std::make_unique<unsigned char[]>(DVB_PACKET_SIZE);
    std::memcpy(copy.get(), packet.data(), DVB_PACKET_SIZE);
    return copy;
}

unsigned char* payload;
unsigned long payloadSize;
} // namespace

TEST(PacketPayload, WithoutAdaptationFieldIsTheLast184Bytes)
{
    Packet packet = MakePacket(0x100);
    EXPECT_TRUE(CDVBPIDReceiver::GetPacketPayload(packet.data(), payload, payloadSize));
    EXPECT_EQ(payload, packet.data() + 4);
    EXPECT_EQ(payloadSize, 184u);
}

TEST(PacketPayload, FollowsTheAdaptationFieldUpToTheLastByte)
{
    Packet packet = MakeAdaptationPacket(0x100, 0, true);
    EXPECT_TRUE(CDVBPIDReceiver::GetPacketPayload(packet.data(), payload, payloadSize));
    EXPECT_EQ(payload, packet.data() + 5);
    EXPECT_EQ(payloadSize, 183u);

    packet = MakeAdaptationPacket(0x100, 182, true);
    EXPECT_TRUE(CDVBPIDReceiver::GetPacketPayload(packet.data(), payload, payloadSize));
    EXPECT_EQ(payload, packet.data() + 187);
    EXPECT_EQ(payloadSize, 1u);
}

TEST(PacketPayload, NoneWhenTheAdaptationFieldFillsThePacketOrThereIsNoPayloadBit)
{
    for (unsigned length : { 183u, 184u, 255u }) {
        Packet packet = MakeAdaptationPacket(0x100, static_cast<unsigned char>(length), true);
        EXPECT_FALSE(CDVBPIDReceiver::GetPacketPayload(packet.data(), payload, payloadSize)) << length;
        EXPECT_EQ(payload, nullptr);
        EXPECT_EQ(payloadSize, 0u);
    }
    Packet adaptationOnly = MakeAdaptationPacket(0x100, 10, false);
    EXPECT_FALSE(CDVBPIDReceiver::GetPacketPayload(adaptationOnly.data(), payload, payloadSize));
    Packet reserved = MakePacket(0x100);
    reserved[3] = 0x00;
    EXPECT_FALSE(CDVBPIDReceiver::GetPacketPayload(reserved.data(), payload, payloadSize));
}

TEST(PacketAdaptationField, ValidUpTo183AndPointsAtTheLengthByte)
{
    unsigned char* field;
    unsigned char length;
    for (unsigned value = 0; value <= 255; value++) {
        Packet packet = MakeAdaptationPacket(0x100, static_cast<unsigned char>(value), false);
        EXPECT_EQ(CDVBPIDReceiver::GetPacketAdaptationField(packet.data(), field, length), value <= 183) << value;
        EXPECT_EQ(field, packet.data() + 4);
        EXPECT_EQ(length, value);
    }
    Packet plain = MakePacket(0x100);
    EXPECT_FALSE(CDVBPIDReceiver::GetPacketAdaptationField(plain.data(), field, length));
    EXPECT_EQ(field, nullptr);
    EXPECT_EQ(length, 0);
}

TEST(PacketParsing, PIDAndUnitStartComeFromBytesOneAndTwo)
{
    Packet packet = MakePacket(0x1FFF, true);
    packet[1] |= 0xA0; // error and priority bits must not leak into the PID
    EXPECT_EQ(CDVBPIDReceiver::GetPacketPID(packet.data()), 0x1FFF);
    EXPECT_TRUE(CDVBPIDReceiver::IsPayloadUnitStart(packet.data()));
    EXPECT_FALSE(CDVBPIDReceiver::IsPayloadUnitStart(MakePacket(0x20).data()));
}

TEST(PESTimeStamps, PTSOnly)
{
    Bytes pes = MakePES(2, 5, 123456, 0, Bytes(10, 0));
    int64_t pts = -1, dts = -1;
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(pes.data(), pes.size(), pts, dts), DVB_PTS_PRESENT);
    EXPECT_EQ(pts, 123456);
    EXPECT_EQ(dts, -1) << "an absent DTS leaves the output alone";
}

TEST(PESTimeStamps, PTSAndDTSNeedTenHeaderBytes)
{
    int64_t pts = -1, dts = -1;
    Bytes full = MakePES(3, 10, 900000, 896400, Bytes(10, 0));
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(full.data(), full.size(), pts, dts),
        DVB_PTS_PRESENT | DVB_DTS_PRESENT);
    EXPECT_EQ(pts, 900000);
    EXPECT_EQ(dts, 896400) << "DTS read from byte 14";

    // The header claims both but has room for one.
    Bytes shortHeader = MakePES(3, 5, 900000, 0, Bytes(10, 0));
    dts = -1;
    EXPECT_EQ(
        CDVBPIDReceiver::GetTimeStampsFromPESData(shortHeader.data(), shortHeader.size(), pts, dts), DVB_PTS_PRESENT);
    EXPECT_EQ(dts, -1);
}

TEST(PESTimeStamps, DTSFlagAloneIsReadFromByteNine)
{
    Bytes pes = MakePES(1, 5, 0, 4242, Bytes(4, 0));
    int64_t pts = -1, dts = -1;
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(pes.data(), pes.size(), pts, dts), DVB_DTS_PRESENT);
    EXPECT_EQ(dts, 4242);
    EXPECT_EQ(pts, -1);
}

TEST(PESTimeStamps, ThirtyThreeBitValuesStayPositive)
{
    const uint64_t top = (uint64_t(1) << 33) - 1;
    Bytes pes = MakePES(2, 5, top, 0, {});
    int64_t pts = 0, dts = 0;
    ASSERT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(pes.data(), pes.size(), pts, dts), DVB_PTS_PRESENT);
    EXPECT_EQ(pts, int64_t(top));
    pes = MakePES(2, 5, uint64_t(1) << 32, 0, {});
    CDVBPIDReceiver::GetTimeStampsFromPESData(pes.data(), pes.size(), pts, dts);
    EXPECT_EQ(pts, int64_t(1) << 32);
}

TEST(PESTimeStamps, LimitsComeFromSizeLengthAndHeaderLength)
{
    int64_t pts = 0, dts = 0;
    // PES_packet_length 0 with 100 bytes: the size is the limit.
    Bytes unbounded = MakePES(3, 10, 1, 2, Bytes(81, 0), 0);
    ASSERT_EQ(unbounded.size(), 100u);
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(unbounded.data(), 100, pts, dts), 3u);
    // Too short to hold the DTS.
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(unbounded.data(), 18, pts, dts), DVB_PTS_PRESENT);
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(unbounded.data(), 13, pts, dts), 0u);
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(unbounded.data(), 8, pts, dts), 0u);
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(unbounded.data(), 5, pts, dts), 0u);
    // A PES_packet_length shorter than the data limits the read.
    Bytes declaredShort = MakePES(3, 10, 1, 2, Bytes(81, 0), 8);
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPESData(declaredShort.data(), 100, pts, dts), DVB_PTS_PRESENT);
}

TEST(PESTimeStamps, FromPacketNeedsAUnitStart)
{
    Bytes pes = MakePES(2, 5, 777, 0, Bytes(50, 0));
    std::vector<Packet> packets = Packetise(0x44, pes);
    int64_t pts = 0, dts = 0;
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPacket(packets[0].data(), pts, dts), DVB_PTS_PRESENT);
    EXPECT_EQ(pts, 777);
    packets[0][1] &= ~0x40;
    EXPECT_EQ(CDVBPIDReceiver::GetTimeStampsFromPacket(packets[0].data(), pts, dts), 0u);
}

TEST(PESInternalData, SkipsTheHeaderOfAStartPacketOnly)
{
    Bytes data(20);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<unsigned char>(i);
    std::vector<Packet> packets = Packetise(0x44, MakePES(2, 5, 1, 0, data));
    unsigned char* elementary;
    unsigned long size;
    ASSERT_TRUE(CDVBPIDReceiver::GetPESInternalData(packets[0].data(), elementary, size));
    EXPECT_EQ(elementary, packets[0].data() + 4 + 14);
    EXPECT_EQ(size, 184u - 14);
    EXPECT_EQ(elementary[0], 0);
    EXPECT_EQ(elementary[19], 19);

    Packet continuation = MakePacket(0x44);
    ASSERT_TRUE(CDVBPIDReceiver::GetPESInternalData(continuation.data(), elementary, size));
    EXPECT_EQ(elementary, continuation.data() + 4);
    EXPECT_EQ(size, 184u);
}

TEST(PESInternalData, FailsWhenTheHeaderRunsPastThePayload)
{
    unsigned char* elementary;
    unsigned long size;
    // 8 bytes of payload: too short for the fixed PES header.
    Packet tiny = MakeAdaptationPacket(0x44, 175, true);
    tiny[1] |= 0x40;
    EXPECT_FALSE(CDVBPIDReceiver::GetPESInternalData(tiny.data(), elementary, size));
    // A header length that claims more than the payload holds.
    Packet start = MakePacket(0x44, true, 0);
    start[4 + 8] = 176;
    EXPECT_FALSE(CDVBPIDReceiver::GetPESInternalData(start.data(), elementary, size));
    start[4 + 8] = 175;
    EXPECT_TRUE(CDVBPIDReceiver::GetPESInternalData(start.data(), elementary, size));
    EXPECT_EQ(size, 0u) << "a header that fills the payload leaves no data";
    Packet noPayload = MakeAdaptationPacket(0x44, 183, false);
    EXPECT_FALSE(CDVBPIDReceiver::GetPESInternalData(noPayload.data(), elementary, size));
}

// Every adaptation field control and length, every header length and flag
// combination: the results stay inside the packet (and the address sanitizer
// watches the reads).
TEST(PacketParsing, AnyByteValuesStayInsideThePacket)
{
    for (unsigned control = 0; control < 4; control++) {
        for (unsigned length = 0; length <= 255; length++) {
            for (unsigned headerLength : { 0u, 5u, 10u, 170u, 175u, 176u, 255u }) {
                Packet built = MakePacket(0x44, true, 0xFF);
                built[3] = static_cast<unsigned char>(control << 4);
                built[4] = static_cast<unsigned char>(length);
                if (length < 183)
                    built[5 + length + 8 < 188 ? 5 + length + 8 : 187] = static_cast<unsigned char>(headerLength);
                auto packet = Exact(built);
                unsigned char* start = packet.get();
                if (CDVBPIDReceiver::GetPacketPayload(start, payload, payloadSize)) {
                    EXPECT_GE(payload, start + 4);
                    EXPECT_LE(payload + payloadSize, start + DVB_PACKET_SIZE);
                }
                unsigned char* data;
                unsigned long size;
                if (CDVBPIDReceiver::GetPESInternalData(start, data, size)) {
                    EXPECT_GE(data, start + 4);
                    EXPECT_LE(data + size, start + DVB_PACKET_SIZE);
                }
                int64_t pts, dts;
                CDVBPIDReceiver::GetTimeStampsFromPacket(start, pts, dts);
            }
        }
    }
}

// A looping file's next pass carries its time on: every PCR, PTS and DTS
// moves by the same ticks on the 33-bit circle, and nothing else changes.
TEST(TimestampShift, MovesPCRPTSAndDTSOnAndLeavesEveryOtherBitAlone)
{
    ts::TsPacketWriter writer;
    const ts::AdaptationField field
        = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz((DVB_CLOCK_WRAP - 100) * 300 + 7));
    writer.WritePacket(ts::PacketHeader(0x100), ts::Bytes(), &field);
    ts::PesWriter(writer, 0x101)
        .Write(ts::PesPacket(0xE0, DVB_CLOCK_WRAP - 50, DVB_CLOCK_WRAP - 3650, ts::Bytes(20, 0xAB)));
    ts::PesWriter(writer, 0x102).Write(ts::PesPacket(0xBE, std::nullopt, std::nullopt, ts::Bytes(20, 0xCD)));
    ts::Bytes stream = writer.TakeData();
    const ts::Bytes before = stream;
    for (size_t offset = 0; offset < stream.size(); offset += DVB_PACKET_SIZE)
        DVBShiftTimestamps(&stream[offset], 1000);

    uint64_t pcr;
    ASSERT_TRUE(CDVBPCRReceiver::GetPCRFromPacket(&stream[0], pcr));
    EXPECT_EQ(pcr, 900u);
    int64_t pts = 0, dts = 0;
    ASSERT_EQ(CDVBPIDReceiver::GetTimeStampsFromPacket(&stream[DVB_PACKET_SIZE], pts, dts),
        DVB_PTS_PRESENT | DVB_DTS_PRESENT);
    EXPECT_EQ(pts, 950);
    EXPECT_EQ(dts, DVB_CLOCK_WRAP - 2650);
    // Undo it: the bytes, markers and PCR extension included, are the file's again.
    for (size_t offset = 0; offset < stream.size(); offset += DVB_PACKET_SIZE)
        DVBShiftTimestamps(&stream[offset], DVB_CLOCK_WRAP - 1000);
    EXPECT_EQ(stream, before);
}
