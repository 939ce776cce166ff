#include "support/TsReader.h"
#include "tswriter/Crc32Mpeg2.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace ts;

namespace {

std::vector<Bytes> ReadSections(const Bytes& stream, uint16_t pid)
{
    TsReader reader;
    reader.AddSectionPid(pid);
    reader.Read(stream);
    std::vector<Bytes> sections;
    for (const ReadSection& section : reader.Sections(pid))
        sections.push_back(section.bytes);
    return sections;
}

// A long-form section of exactly the given total size.
Bytes SectionOfSize(size_t size, uint8_t number)
{
    LongSectionHeader header;
    header.tableId = 0x4E;
    header.sectionNumber = number;
    header.lastSectionNumber = 0xFF;
    return SectionWriter::BuildLong(header, Bytes(size - 12, number));
}

} // namespace

TEST(SectionWriter, KnownPatIsBitExact)
{
    // The single-programme PAT common to many multiplexers, CRC included.
    Bytes expected { 0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00, 0x2A, 0xB1, 0x04, 0xB2 };
    EXPECT_EQ(PatSection(1, { { 1, 0x1000 } }), expected);
}

TEST(SectionWriter, LongSectionsCarryAValidCrc)
{
    SdtService service;
    service.serviceId = 3;
    service.descriptors = ServiceDescriptor(1, "P", "S");
    Bytes sdt = SdtSection(1, 2, { service });
    EXPECT_EQ(Crc32Mpeg2(sdt.data(), sdt.size()), 0u);
    EXPECT_EQ(sdt[1] & 0xF0, 0xF0) << "syntax, reserved_future_use and reserved bits";
    EXPECT_EQ(size_t((sdt[1] & 0x0F) << 8 | sdt[2]) + 3, sdt.size());
    Bytes tot = TotSection(DvbTime::FromUnix(750516300), {});
    EXPECT_EQ(Crc32Mpeg2(tot.data(), tot.size()), 0u);
    EXPECT_EQ(tot[1] & 0x80, 0) << "short form";
}

TEST(SectionWriter, SectionSplitAcrossPacketsReassemblesFromThePointerField)
{
    TsPacketWriter out;
    SectionWriter writer(out, 0x12);
    Bytes section = SectionOfSize(1000, 1);
    writer.Write(section);
    EXPECT_EQ(out.PacketCount(), (1000 + 1 + 183) / 184);
    EXPECT_EQ(ReadSections(out.Data(), 0x12), std::vector<Bytes> { section });
    EXPECT_EQ(out.Data()[4], 0) << "pointer field of a section at the start of the payload";
    EXPECT_EQ(out.Data().back(), 0xFF) << "stuffing after the section";
}

TEST(SectionWriter, PackedSectionsShareAndStraddlePackets)
{
    // Small sections several to a packet, one that starts mid-packet and runs
    // on, and one that would start in the last byte of a packet.
    std::vector<Bytes> sections { SectionOfSize(20, 0), SectionOfSize(30, 1), SectionOfSize(400, 2),
        SectionOfSize(16, 3) };
    TsPacketWriter out;
    SectionWriter writer(out, 0x11);
    writer.WritePacked(sections);
    EXPECT_EQ(ReadSections(out.Data(), 0x11), sections);
    EXPECT_EQ(out.Data()[4], 0);
    EXPECT_EQ(out.Data()[5], 0x4E);
    EXPECT_EQ(out.Data()[5 + 20], 0x4E) << "the second section follows the first directly";

    // 183 bytes of the first section fill a pointer packet; its remaining
    // 184 fill the second packet; the next section may not begin in a packet
    // without a pointer, so it starts after stuffing in the third.
    std::vector<Bytes> tight { SectionOfSize(183 + 184 - 1, 0), SectionOfSize(50, 1) };
    TsPacketWriter tightOut;
    SectionWriter tightWriter(tightOut, 0x11);
    tightWriter.WritePacked(tight);
    EXPECT_EQ(ReadSections(tightOut.Data(), 0x11), tight);
    ASSERT_EQ(tightOut.PacketCount(), 3u);
    EXPECT_EQ(tightOut.Data()[PACKET_SIZE + 1] & 0x40, 0);
    EXPECT_EQ(tightOut.Data()[2 * PACKET_SIZE - 1], 0xFF);
    EXPECT_EQ(tightOut.Data()[2 * PACKET_SIZE + 4], 0) << "pointer of the third packet";
}

TEST(SectionWriter, SectionEndingInOnePacketAndNextStartingInTheFollowing)
{
    // The first ends 10 bytes into the second packet: its pointer field is 10.
    std::vector<Bytes> sections { SectionOfSize(183 + 10, 0), SectionOfSize(100, 1) };
    TsPacketWriter out;
    SectionWriter writer(out, 0x10);
    writer.WritePacked(sections);
    ASSERT_EQ(out.PacketCount(), 2u);
    EXPECT_EQ(out.Data()[PACKET_SIZE + 1] & 0x40, 0x40);
    EXPECT_EQ(out.Data()[PACKET_SIZE + 4], 10);
    EXPECT_EQ(ReadSections(out.Data(), 0x10), sections);
}

TEST(SiTables, DvbTimeFollowsTheAnnexExample)
{
    DvbTime time = DvbTime::FromUnix(750516300); // 1993-10-13 12:45:00 UTC
    EXPECT_EQ(time.mjd, 0xC079);
    EXPECT_EQ(time.bcd, 0x124500u);
    EXPECT_EQ(BcdDuration(5400), 0x013000u);
    EXPECT_EQ(TdtSection(time), (Bytes { 0x70, 0x70, 0x05, 0xC0, 0x79, 0x12, 0x45, 0x00 }));
}

TEST(SiTables, DescriptorsHaveTheirWireLayout)
{
    EXPECT_EQ(ServiceDescriptor(0x01, "AB", "C"), (Bytes { 0x48, 6, 0x01, 2, 'A', 'B', 1, 'C' }));
    EXPECT_EQ(Iso639LanguageDescriptor("deu", 3), (Bytes { 0x0A, 4, 'd', 'e', 'u', 3 }));
    EXPECT_EQ(SubtitlingDescriptor({ { "eng", 0x10, 2, 3 } }), (Bytes { 0x59, 8, 'e', 'n', 'g', 0x10, 0, 2, 0, 3 }));
    TerrestrialDelivery delivery;
    delivery.centreFrequency = 0x0302B8B0;
    delivery.bandwidth = 3;
    delivery.guardInterval = 2;
    delivery.transmissionMode = 1;
    Bytes terrestrial = TerrestrialDeliveryDescriptor(delivery);
    ASSERT_EQ(terrestrial.size(), 13u);
    EXPECT_EQ(terrestrial[2], 0x03);
    EXPECT_EQ(terrestrial[5], 0xB0);
    EXPECT_EQ(terrestrial[6] >> 5, 3);
    EXPECT_EQ(terrestrial[8] >> 3 & 3, 2);
    EXPECT_EQ(terrestrial[8] >> 1 & 3, 1);
    LocalTimeOffset west;
    west.country = "DEU";
    west.offsetMinutes = -90;
    Bytes offset = LocalTimeOffsetDescriptor({ west });
    ASSERT_EQ(offset.size(), 15u);
    EXPECT_EQ(offset[5] & 1, 1) << "west of UTC";
    EXPECT_EQ(offset[6], 0x01);
    EXPECT_EQ(offset[7], 0x30);
    EXPECT_THROW(Iso639LanguageDescriptor("en"), std::invalid_argument);
}

TEST(SiTables, SecondGenerationAndCableDeliveryDescriptorsInBcd)
{
    SatelliteDelivery satellite;
    satellite.frequencyKHz = 11914000;
    satellite.s2 = true;
    satellite.rollOff = 2;
    satellite.modulation = 2;
    satellite.symbolRate = 27500000;
    // 011.91400 GHz, 019.2 degrees east, horizontal, 0.20, S2, 8PSK, 027.5000 Msymbol/s, FEC left open.
    EXPECT_EQ(SatelliteDeliveryDescriptor(satellite),
        (Bytes { 0x43, 11, 0x01, 0x19, 0x14, 0x00, 0x01, 0x92, 0x96, 0x02, 0x75, 0x00, 0x0F }));
    CableDelivery cable;
    cable.frequencyHz = 346000000;
    cable.symbolRate = 6900000;
    // 0346.0000 MHz, Reed-Solomon, 256-QAM, 006.9000 Msymbol/s.
    EXPECT_EQ(CableDeliveryDescriptor(cable),
        (Bytes { 0x44, 11, 0x03, 0x46, 0x00, 0x00, 0xFF, 0xF2, 0x05, 0x00, 0x69, 0x00, 0x0F }));
    T2Delivery t2;
    t2.plpId = 1;
    t2.bandwidth = 4;
    t2.centreFrequency = 52200000;
    Bytes extension = T2DeliveryDescriptor(t2);
    ASSERT_EQ(extension.size(), 15u);
    EXPECT_EQ(extension[2], 0x04) << "T2 delivery system";
    EXPECT_EQ(extension[3], 1);
    EXPECT_EQ(extension[6] >> 2 & 0x0F, 4) << "10 MHz";
    EXPECT_EQ((Bytes(extension.begin() + 10, extension.begin() + 14)), (Bytes { 0x03, 0x1C, 0x82, 0x40 }));
}

TEST(SiTables, EitEventLoopLayout)
{
    EitHeader header;
    header.serviceId = 0x1234;
    header.transportStreamId = 5;
    header.originalNetworkId = 6;
    header.sectionNumber = 1;
    EitEvent event;
    event.eventId = 7;
    event.start = DvbTime::FromUnix(750516300);
    event.durationBcd = 0x013000;
    event.runningStatus = 1;
    event.descriptors = ShortEventDescriptor("eng", "N", "T");
    Bytes eit = EitSection(header, { event });
    EXPECT_EQ(eit[0], 0x4E);
    EXPECT_EQ(eit[3], 0x12);
    EXPECT_EQ(eit[6], 1);
    EXPECT_EQ(eit[12], 1) << "segment_last_section_number";
    EXPECT_EQ(eit[13], 0x4E) << "last_table_id";
    const uint8_t* e = &eit[14];
    EXPECT_EQ(e[2] << 8 | e[3], 0xC079);
    EXPECT_EQ(e[7], 0x01);
    EXPECT_EQ(e[10] >> 5, 1);
    EXPECT_EQ((e[10] & 0x0F) << 8 | e[11], 3 + 2 + 2 + 2);
}
