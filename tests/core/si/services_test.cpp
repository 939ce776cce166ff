#include "SITestHelpers.h"
#include "si/DVBNITSection.h"
#include "si/DVBNetworkNameDescriptor.h"
#include "si/DVBProgram.h"
#include "si/DVBSDTSection.h"
#include "si/DVBTransportStream.h"
#include "si/DVBTransportStreamList.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace si_test;

namespace {

ts::SdtService DescribedService(uint16_t id, const ts::Bytes& descriptors, bool freeCa = false)
{
    ts::SdtService service;
    service.serviceId = id;
    service.freeCaMode = freeCa;
    service.descriptors = descriptors;
    return service;
}

// The SDT entry header bytes of one service with the given loop length, followed by loop.
ts::Bytes SdtEntry(uint16_t id, uint16_t loopLength, const ts::Bytes& loop)
{
    const ts::Bytes header
        = { uint8_t(id >> 8), uint8_t(id), 0xFD, uint8_t(0x80 | (loopLength >> 8)), uint8_t(loopLength) };
    return ts::Concat({ header, loop });
}

ts::Bytes Joined(std::vector<ts::Bytes> parts)
{
    return ts::Concat(parts);
}

} // namespace

TEST(DVBSDTSection, ReadsEveryServiceWithItsFlags)
{
    ts::SdtService second = DescribedService(0x0102, ts::ServiceDescriptor(2, "P", "Radio"), true);
    second.eitSchedule = true;
    second.eitPresentFollowing = false;
    second.runningStatus = 1;
    auto sdt = ParseSection<CDVBSDTSection>(
        ts::SdtSection(0x0401, 0x233A, { DescribedService(0x0101, ts::ServiceDescriptor(1, "BBC", "One")), second }));
    ASSERT_NE(sdt, nullptr);
    EXPECT_EQ(sdt->GetKind(), DVB_SECTION_SDT);
    EXPECT_EQ(sdt->GetTransportStreamId(), 0x0401);
    EXPECT_EQ(sdt->GetOriginalNetworkId(), 0x233A);
    ASSERT_EQ(sdt->GetEntries().GetCount(), 2u);
    const CDVBSDTEntry* entry = *++sdt->GetEntries().begin();
    EXPECT_EQ(entry->serviceId, 0x0102);
    EXPECT_EQ(entry->eitScheduleFlag, 1);
    EXPECT_EQ(entry->eitPresentFollowingFlag, 0);
    EXPECT_EQ(entry->runningStatus, 1);
    EXPECT_EQ(entry->freeCAMode, 1);
    EXPECT_EQ(entry->descriptors.GetCount(), 1u);
}

TEST(DVBSDTSection, BaseSizeAndEmptyBodies)
{
    DebugCapture debug;
    EXPECT_EQ(ParseSection<CDVBSDTSection>(LongSection(0x42, 1, { 0x23, 0x3A })), nullptr);
    EXPECT_EQ(debug.lines, "SDT base size error.\n");
    auto empty = ParseSection<CDVBSDTSection>(LongSection(0x42, 1, { 0x23, 0x3A, 0xFF }));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->GetEntries().IsEmpty());
}

TEST(DVBSDTSection, ALoopLongerThanTheBodyFailsTheWholeSection)
{
    DebugCapture debug;
    const ts::Bytes body
        = Joined({ { 0x23, 0x3A, 0xFF }, SdtEntry(1, 0, {}), SdtEntry(2, 10, ts::ServiceDescriptor(1, "", "x")) });
    EXPECT_EQ(ParseSection<CDVBSDTSection>(LongSection(0x42, 1, body)), nullptr);
    EXPECT_EQ(debug.lines, "SDT descriptors length error.\n");
}

TEST(DVBSDTSection, ATruncatedLastDescriptorStillDeliversTheServiceWithItsName)
{
    DebugCapture debug;
    ts::Bytes loop = ts::Concat({ ts::ServiceDescriptor(1, "Prov", "Named"), ts::Descriptor(0x5F, { 0, 0, 0, 1 }) });
    loop.pop_back();
    const ts::Bytes body = Joined({ { 0x23, 0x3A, 0xFF }, SdtEntry(5, uint16_t(loop.size()), loop) });
    auto sdt = ParseSection<CDVBSDTSection>(LongSection(0x42, 1, body));
    ASSERT_NE(sdt, nullptr);
    EXPECT_EQ(debug.lines, "SDT descriptor decode error.\n");
    ASSERT_EQ(sdt->GetEntries().GetCount(), 1u);
    CDVBProgram program(5);
    program.OnReceiveSDT(sdt.get(), *sdt->GetEntries().begin());
    EXPECT_EQ(program.GetServiceName(), "Named");
}

TEST(DVBProgram, SDTNamesTheServiceAndSetsItsAccess)
{
    auto sdt = ParseSection<CDVBSDTSection>(
        ts::SdtSection(0x0401, 1, { DescribedService(7, ts::ServiceDescriptor(0x0C, "Prov", "Data"), true) }));
    ASSERT_NE(sdt, nullptr);
    CDVBProgram program(7);
    program.OnReceiveSDT(sdt.get(), *sdt->GetEntries().begin());
    EXPECT_TRUE(program.HasSeenSDT());
    EXPECT_TRUE(program.HasServiceDescriptor());
    EXPECT_EQ(program.GetTransportStreamIdFromSDT(), 0x0401);
    EXPECT_EQ(program.GetServiceName(), "Data");
    EXPECT_EQ(program.GetProviderName(), "Prov");
    EXPECT_EQ(program.GetServiceTypeFromSDT(), DVB_SERVICE_DATA);
    EXPECT_EQ(program.GetAccessTypeText(), "encrypted");
    EXPECT_EQ(program.GetEITPresentFollowingFlag(), 1);
    EXPECT_EQ(program.GetRunningStatus(), 4);

    // Without a service descriptor the earlier name and type stay.
    auto plain = ParseSection<CDVBSDTSection>(ts::SdtSection(0x0401, 1, { DescribedService(7, {}, false) }));
    ASSERT_NE(plain, nullptr);
    program.OnReceiveSDT(plain.get(), *plain->GetEntries().begin());
    EXPECT_EQ(program.GetServiceName(), "Data");
    EXPECT_EQ(program.GetAccessTypeText(), "free to air");
}

TEST(DVBProgram, ServiceTypesFromTheSDTAreTypedAndNamed)
{
    struct Case {
        uint8_t serviceType;
        int type;
        const char* name;
    };
    const Case cases[] = {
        { 0x01, DVB_SERVICE_TELEVISION, "digital television service" },
        { 0x02, DVB_SERVICE_RADIO, "digital radio sound service" },
        { 0x0A, DVB_SERVICE_RADIO, "advanced codec digital radio sound service" },
        { 0x0C, DVB_SERVICE_DATA, "data broadcast service" },
        { 0x11, DVB_SERVICE_TELEVISION, "MPEG-2 HD digital television service" },
        { 0x16, DVB_SERVICE_TELEVISION, "H.264/AVC SD digital television service" },
        { 0x18, DVB_SERVICE_UNKNOWN, "H.264/AVC SD NVOD reference service" },
        { 0x19, DVB_SERVICE_TELEVISION, "H.264/AVC HD digital television service" },
        { 0x1C, DVB_SERVICE_TELEVISION, "H.264/AVC frame compatible plano-stereoscopic HD digital television service" },
        { 0x1F, DVB_SERVICE_TELEVISION, "HEVC digital television service" },
        { 0x20, DVB_SERVICE_TELEVISION, "HEVC UHD digital television service" },
        { 0x09, DVB_SERVICE_UNKNOWN, "reserved service type 0x09" },
        { 0x21, DVB_SERVICE_UNKNOWN, "reserved service type 0x21" },
        { 0x80, DVB_SERVICE_UNKNOWN, "user-defined service type 0x80" },
        { 0xFF, DVB_SERVICE_UNKNOWN, "reserved service type 0xFF" },
    };
    for (const Case& c : cases) {
        auto sdt = ParseSection<CDVBSDTSection>(
            ts::SdtSection(1, 1, { DescribedService(3, ts::ServiceDescriptor(c.serviceType, "", "")) }));
        ASSERT_NE(sdt, nullptr);
        CDVBProgram program(3);
        program.OnReceiveSDT(sdt.get(), *sdt->GetEntries().begin());
        EXPECT_EQ(program.GetServiceTypeFromSDT(), c.type) << int(c.serviceType);
        EXPECT_EQ(program.GetSDTServiceTypeName(), c.name);
    }
    CDVBProgram unnamed(4);
    EXPECT_EQ(unnamed.GetSDTServiceTypeName(), "unknown");
}

TEST(DVBNITSection, ReadsNetworkDescriptorsAndTransportStreams)
{
    ts::TerrestrialDelivery delivery;
    delivery.centreFrequency = 50510000;
    auto nit = ParseSection<CDVBNITSection>(ts::NitSection(0x3005, ts::NetworkNameDescriptor("Net"),
        { { 0x0401, 0x233A, ts::TerrestrialDeliveryDescriptor(delivery) }, { 0x0402, 0x233A, {} } }));
    ASSERT_NE(nit, nullptr);
    EXPECT_EQ(nit->GetKind(), DVB_SECTION_NIT);
    EXPECT_EQ(nit->GetNetworkId(), 0x3005);
    auto* name = dynamic_cast<CDVBNetworkNameDescriptor*>(nit->GetNetworkDescriptors().Find(DVB_TAG_NETWORK_NAME));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->GetName(), "Net");
    ASSERT_EQ(nit->GetEntries().GetCount(), 2u);
    const CDVBNITEntry* first = *nit->GetEntries().begin();
    EXPECT_EQ(first->transportStreamId, 0x0401);
    EXPECT_EQ(first->originalNetworkId, 0x233A);
    EXPECT_EQ(first->descriptors.GetCount(), 1u);
}

TEST(DVBNITSection, BodyChecks)
{
    // Too short for the network descriptors length.
    EXPECT_EQ(ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0 })), nullptr);
    // Network descriptors beyond the body.
    EXPECT_EQ(ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0, 0x04, 0x40, 0x01 })), nullptr);
    // A truncated network descriptor fails the whole NIT.
    EXPECT_EQ(ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0, 0x03, 0x40, 0x05, 'N', 0xF0, 0x00 })), nullptr);
    // No room for the transport stream loop length.
    EXPECT_EQ(ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0, 0x00, 0xF0 })), nullptr);
    // Loop beyond the body.
    EXPECT_EQ(
        ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0, 0x00, 0xF0, 0x06, 0, 1, 0, 1, 0xF0 })), nullptr);
    // An entry whose descriptors run past the loop.
    EXPECT_EQ(ParseSection<CDVBNITSection>(LongSection(0x40, 1, { 0xF0, 0x00, 0xF0, 0x06, 0, 1, 0, 1, 0xF0, 0x01 })),
        nullptr);
    // A truncated transport descriptor is tolerated.
    auto tolerant = ParseSection<CDVBNITSection>(
        LongSection(0x40, 1, { 0xF0, 0x00, 0xF0, 0x08, 0, 1, 0, 1, 0xF0, 0x02, 0x5A, 0x0B }));
    ASSERT_NE(tolerant, nullptr);
    EXPECT_EQ(tolerant->GetEntries().GetCount(), 1u);
}

TEST(DVBTransportStream, NITWithTwoDeliveryDescriptorsKeepsTheSecond)
{
    ts::TerrestrialDelivery first, second;
    first.centreFrequency = 1000;
    second.centreFrequency = 2000;
    second.guardInterval = 2;
    auto nit = ParseSection<CDVBNITSection>(ts::NitSection(1, {},
        { { 0x0401, 0x233A,
            ts::Concat({ ts::TerrestrialDeliveryDescriptor(first), ts::TerrestrialDeliveryDescriptor(second) }) } }));
    ASSERT_NE(nit, nullptr);
    CDVBTransportStream stream(0x0401);
    EXPECT_FALSE(stream.HasTerrestrialDelivery());
    EXPECT_EQ(stream.GetTerrestrialDelivery(), nullptr);
    stream.OnReceiveNIT(nit.get(), *nit->GetEntries().begin());
    EXPECT_TRUE(stream.HasSeenNIT());
    EXPECT_EQ(stream.GetOriginalNetworkId(), 0x233A);
    ASSERT_TRUE(stream.HasTerrestrialDelivery());
    EXPECT_EQ(stream.GetTerrestrialDelivery()->GetCentreFrequency(), 2000u);
    EXPECT_EQ(stream.GetTerrestrialDelivery()->GetGuardInterval(), 2);
}

TEST(DVBTransportStreamList, KeepsStreamsInAscendingOrder)
{
    CDVBTransportStreamList list;
    list.GetOrCreate(0x0402);
    CDVBTransportStream* low = list.GetOrCreate(0x0100);
    list.GetOrCreate(0x0403);
    EXPECT_EQ(list.GetOrCreate(0x0100), low);
    std::vector<unsigned short> ids;
    for (const CDVBTransportStream* stream : list)
        ids.push_back(stream->GetId());
    EXPECT_EQ(ids, (std::vector<unsigned short> { 0x0100, 0x0402, 0x0403 }));
    EXPECT_EQ(list.Find(0x0403)->GetId(), 0x0403);
    EXPECT_EQ(list.Find(0x0401), nullptr);
}
