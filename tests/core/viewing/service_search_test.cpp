// Finding a service by the channel number typed on the keys.
#include "stream/DVBTransportStreamReceiver.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"
#include "tswriter/TsPacketWriter.h"
#include "viewing/KRXServiceSearch.h"

#include <gtest/gtest.h>

namespace {
class CFedReceiver : public CDVBTransportStreamReceiver
{
public:
    CFedReceiver()
        : CDVBTransportStreamReceiver(nullptr, nullptr)
    {
        Start();
    }
    void Feed(uint16_t pid, const ts::Bytes& section)
    {
        ts::TsPacketWriter out;
        ts::SectionWriter(out, pid).Write(section);
        ts::Bytes bytes = out.TakeData();
        ProcessBuffer(bytes.data(), static_cast<unsigned long>(bytes.size()));
    }
};

// The programme found for the number, or -1.
int Found(CFedReceiver& receiver, unsigned number)
{
    unsigned short programNumber = 0;
    return FindChannel(&receiver, number, programNumber) ? programNumber : -1;
}
} // namespace

TEST(FindChannel, TakesTheNetworksNumbersAndProgrammeNumbersOnlyWhereThereAreNone)
{
    CFedReceiver receiver;
    receiver.Feed(0x00, ts::PatSection(0x0001, { { 1, 0x100 }, { 2, 0x200 }, { 3, 0x300 } }));
    EXPECT_EQ(Found(receiver, 2), 2) << "an unnumbered multiplex goes by programme number";
    EXPECT_EQ(Found(receiver, 9), -1);
    EXPECT_EQ(Found(receiver, 65538), -1) << "not programme 2 again";

    receiver.Feed(0x10,
        ts::NitSection(
            0x2000, {}, { { 0x0001, 0x2000, ts::LogicalChannelDescriptor({ { 3, 2, false }, { 1, 7 } }) } }));
    EXPECT_EQ(Found(receiver, 2), 3) << "a hidden service is still reached by its number";
    EXPECT_EQ(Found(receiver, 7), 1);
    EXPECT_EQ(Found(receiver, 1), -1) << "programme numbers no longer count";
}
