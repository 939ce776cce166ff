// The demo multiplex as the core's own SI receivers see it: every table
// assembles, passes its CRC, parses, and repeats without ever looking changed.
#include "DemoStream.h"
#include "si/DVBEITSection.h"
#include "si/DVBLanguageDescriptor.h"
#include "si/DVBLogicalChannelDescriptor.h"
#include "si/DVBNITSection.h"
#include "si/DVBNetworkNameDescriptor.h"
#include "si/DVBPMTSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBSIReceiver.h"
#include "si/DVBSISectionHandler.h"
#include "si/DVBServiceDescriptor.h"
#include "si/DVBShortEventDescriptor.h"
#include "si/DVBSubtitlingDescriptor.h"
#include "si/DVBTerrestrialDeliveryDescriptor.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

class Counter : public CDVBSISectionHandler
{
public:
    void OnSectionAdd(unsigned short pid, CDVBSISection* section) override { ++added[{ pid, section->GetTableId() }]; }
    std::map<std::pair<unsigned short, unsigned char>, int> added;
};

struct CoreView {
    Counter counter;
    std::map<unsigned short, std::unique_ptr<CDVBSIReceiver>> receivers;

    CoreView()
    {
        for (unsigned short pid : { 0x0000, 0x0010, 0x0011, 0x0012, 0x0014, 0x0100, 0x0110, 0x0120 }) {
            auto receiver = std::make_unique<CDVBSIReceiver>(&counter);
            receiver->SetPID(pid);
            receiver->Start();
            receivers[pid] = std::move(receiver);
        }
        ts::Bytes bytes = DemoStream::Get().bytes;
        for (size_t at = 0; at < bytes.size(); at += 188) {
            unsigned char* packet = &bytes[at];
            auto found = receivers.find(CDVBPIDReceiver::GetPacketPID(packet));
            if (found != receivers.end())
                found->second->OnReceivePacket(at / 188, packet);
        }
    }

    template <class Section> std::vector<const Section*> Sections(unsigned short pid) const
    {
        std::vector<const Section*> found;
        for (CDVBSISection* section : receivers.at(pid)->GetSections())
            if (auto* typed = dynamic_cast<const Section*>(section))
                found.push_back(typed);
        return found;
    }
};

template <class Descriptor> const Descriptor* Find(const CDVBDescriptorList& list, unsigned char tag)
{
    return dynamic_cast<const Descriptor*>(list.Find(tag));
}

} // namespace

TEST(CoreReadsDemo, LongFormTablesArriveOnceAndThenOnlyRepeat)
{
    CoreView core;
    EXPECT_EQ((core.counter.added[{ 0x0000, 0x00 }]), 1);
    for (unsigned short pmt : { 0x0100, 0x0110, 0x0120 })
        EXPECT_EQ((core.counter.added[{ pmt, 0x02 }]), 1);
    EXPECT_EQ((core.counter.added[{ 0x0011, 0x42 }]), 1);
    EXPECT_EQ((core.counter.added[{ 0x0010, 0x40 }]), 1);
    EXPECT_EQ((core.counter.added[{ 0x0012, 0x4E }]), 6) << "present and following of three services";
    EXPECT_GE((core.counter.added[{ 0x0014, 0x70 }]), 4) << "the TDT is read each time it comes";
    EXPECT_GE((core.counter.added[{ 0x0014, 0x73 }]), 4);
}

TEST(CoreReadsDemo, ServicesTheirComponentsAndTheNetworkAreNamed)
{
    CoreView core;
    auto sdt = core.Sections<CDVBSDTSection>(0x0011);
    ASSERT_EQ(sdt.size(), 1u);
    std::vector<std::string> names;
    for (CDVBSDTEntry* entry : sdt[0]->GetEntries())
        if (auto* service = Find<CDVBServiceDescriptor>(entry->descriptors, 0x48))
            names.push_back(service->GetProviderName() + "/" + service->GetServiceName());
    EXPECT_EQ(names, (std::vector<std::string> { "Korrix/Korrix One", "Korrix/Korrix Two", "Korrix/Korrix Radio" }));

    auto pmt = core.Sections<CDVBPMTSection>(0x0110);
    ASSERT_EQ(pmt.size(), 1u);
    EXPECT_EQ(pmt[0]->GetPCRPID(), 0x0200);
    std::vector<std::string> components;
    for (CDVBPMTEntry* entry : pmt[0]->GetEntries()) {
        std::string what = std::to_string(entry->streamType);
        if (auto* language = Find<CDVBLanguageDescriptor>(entry->descriptors, 0x0A))
            what += std::string(" ") + language->GetLanguage() + " " + std::to_string(language->GetAudioType());
        if (auto* subtitles = Find<CDVBSubtitlingDescriptor>(entry->descriptors, 0x59))
            what += std::string(" subtitles ") + subtitles->GetLanguage();
        components.push_back(what);
    }
    EXPECT_EQ(components, (std::vector<std::string> { "2", "3 eng 3", "6 subtitles eng" }));

    auto nit = core.Sections<CDVBNITSection>(0x0010);
    ASSERT_EQ(nit.size(), 1u);
    auto* network = Find<CDVBNetworkNameDescriptor>(nit[0]->GetNetworkDescriptors(), 0x40);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(network->GetName(), "Korrix Demo");
    ASSERT_EQ(nit[0]->GetEntries().GetCount(), 1u);
    auto* delivery = Find<CDVBTerrestrialDeliveryDescriptor>((*nit[0]->GetEntries().begin())->descriptors, 0x5A);
    ASSERT_NE(delivery, nullptr);
    EXPECT_EQ(delivery->GetCentreFrequency(), 50600000u);
    auto* channels = Find<CDVBLogicalChannelDescriptor>((*nit[0]->GetEntries().begin())->descriptors, 0x83);
    ASSERT_NE(channels, nullptr);
    std::vector<std::string> numbers;
    for (const CDVBLogicalChannel& channel : channels->GetChannels())
        numbers.push_back(std::to_string(channel.serviceId) + ":" + std::to_string(channel.number)
            + (channel.visible ? "" : " hidden"));
    EXPECT_EQ(numbers, (std::vector<std::string> { "1:1", "2:2", "3:30" }));
}

TEST(CoreReadsDemo, NowAndNextHaveTitlesInEnglish)
{
    CoreView core;
    int present = 0, following = 0;
    for (const CDVBEITSection* eit : core.Sections<CDVBEITSection>(0x0012)) {
        ASSERT_EQ(eit->GetEntries().GetCount(), 1u);
        CDVBEITEntry* event = *eit->GetEntries().begin();
        (event->runningStatus == 4 ? present : following)++;
        auto* text = Find<CDVBShortEventDescriptor>(event->descriptors, 0x4D);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetLanguage(), "eng");
        EXPECT_FALSE(text->GetEventName().empty());
    }
    EXPECT_EQ(present, 3);
    EXPECT_EQ(following, 3);
}

TEST(CoreReadsDemo, TimeStampsReadFromEachPesStartAsWritten)
{
    const DemoStream& demo = DemoStream::Get();
    ts::Bytes bytes = demo.bytes;
    std::map<unsigned short, int> starts;
    int64_t lastVideoDts = -1;
    for (size_t at = 0; at < bytes.size(); at += 188) {
        unsigned char* packet = &bytes[at];
        unsigned short pid = CDVBPIDReceiver::GetPacketPID(packet);
        if (pid < 0x0200 || pid > 0x0210 || !CDVBPIDReceiver::IsPayloadUnitStart(packet))
            continue;
        int64_t pts = -1, dts = -1;
        unsigned long flags = CDVBPIDReceiver::GetTimeStampsFromPacket(packet, pts, dts);
        ASSERT_TRUE(flags & DVB_PTS_PRESENT) << "PID " << pid;
        ++starts[pid];
        if (pid == 0x0200) {
            int64_t decode = (flags & DVB_DTS_PRESENT) ? dts : pts;
            if (lastVideoDts >= 0) {
                ASSERT_EQ(decode - lastVideoDts, 3600);
            }
            lastVideoDts = decode;
        }
    }
    EXPECT_EQ(starts[0x0200], 500) << "20 s of pictures";
    EXPECT_EQ(starts[0x0201], int(ReadWholeFile(DemoPath("audio_eng.mp2")).size() / 384)) << "frames of 384 bytes";
    EXPECT_EQ(starts[0x0204], 10) << "five subtitles and their clearing";
}
