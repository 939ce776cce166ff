#include "si/DVBDescriptorList.h"
#include "si/DVBLanguageDescriptor.h"
#include "si/DVBLogicalChannelDescriptor.h"
#include "si/DVBNetworkNameDescriptor.h"
#include "si/DVBServiceDescriptor.h"
#include "si/DVBShortEventDescriptor.h"
#include "si/DVBSubtitlingDescriptor.h"
#include "si/DVBTerrestrialDeliveryDescriptor.h"
#include "tswriter/Descriptors.h"

#include <gtest/gtest.h>

namespace {

bool ParseInto(CDVBDescriptorList& list, const ts::Bytes& loop)
{
    return list.Parse(loop.data(), static_cast<unsigned short>(loop.size()));
}

template <class T> const T* Only(const CDVBDescriptorList& list)
{
    EXPECT_EQ(list.GetCount(), 1u);
    return list.IsEmpty() ? nullptr : dynamic_cast<const T*>(*list.begin());
}

} // namespace

TEST(DVBDescriptorList, KeepsTheLoopInOrderAndFindsTheFirstOfATag)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list,
        ts::Concat({ ts::StreamIdentifierDescriptor(3), ts::Iso639LanguageDescriptor("eng"),
            ts::Iso639LanguageDescriptor("deu") })));
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ((*list.begin())->GetTag(), 0x52);
    EXPECT_EQ((*list.begin())->GetLength(), 1);
    auto* first = dynamic_cast<CDVBLanguageDescriptor*>(list.Find(DVB_TAG_ISO_639_LANGUAGE));
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetLanguage(), "eng");
    EXPECT_EQ(list.Find(DVB_TAG_SERVICE), nullptr);
}

TEST(DVBDescriptorList, ADescriptorRunningPastTheLoopStopsItAndKeepsThoseBefore)
{
    ts::Bytes loop = ts::Concat({ ts::Iso639LanguageDescriptor("eng"), ts::NetworkNameDescriptor("Net") });
    loop.pop_back();
    CDVBDescriptorList list;
    EXPECT_FALSE(ParseInto(list, loop));
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ((*list.begin())->GetTag(), DVB_TAG_ISO_639_LANGUAGE);
}

TEST(DVBDescriptorList, ASingleLeftOverByteIsIgnored)
{
    ts::Bytes loop = ts::Iso639LanguageDescriptor("eng");
    loop.push_back(0x0A);
    CDVBDescriptorList list;
    EXPECT_TRUE(ParseInto(list, loop));
    EXPECT_EQ(list.GetCount(), 1u);
}

TEST(DVBDescriptorList, ADescriptorThatDoesNotDecodeIsStillKept)
{
    CDVBDescriptorList list;
    EXPECT_TRUE(ParseInto(list, ts::Descriptor(DVB_TAG_ISO_639_LANGUAGE, { 'e', 'n' })));
    const auto* language = Only<CDVBLanguageDescriptor>(list);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->GetLanguage(), "");
}

TEST(DVBDescriptorList, CopyFromClonesEveryKindWithItsContents)
{
    CDVBDescriptorList source;
    ts::TerrestrialDelivery delivery;
    delivery.centreFrequency = 50510000;
    ASSERT_TRUE(ParseInto(source,
        ts::Concat({ ts::Iso639LanguageDescriptor("fra", 3), ts::ServiceDescriptor(1, "Prov", "Name"),
            ts::TerrestrialDeliveryDescriptor(delivery), ts::Descriptor(0x99, { 1 }) })));
    CDVBDescriptorList copy;
    ASSERT_TRUE(ParseInto(copy, ts::NetworkNameDescriptor("old")));
    copy.CopyFrom(source);
    ASSERT_EQ(copy.GetCount(), 4u);
    auto* language = dynamic_cast<CDVBLanguageDescriptor*>(copy.Find(DVB_TAG_ISO_639_LANGUAGE));
    ASSERT_NE(language, nullptr);
    EXPECT_NE(language, source.Find(DVB_TAG_ISO_639_LANGUAGE));
    EXPECT_STREQ(language->GetLanguage(), "fra");
    EXPECT_EQ(language->GetAudioType(), 3);
    auto* service = dynamic_cast<CDVBServiceDescriptor*>(copy.Find(DVB_TAG_SERVICE));
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->GetServiceName(), "Name");
    auto* terrestrial = dynamic_cast<CDVBTerrestrialDeliveryDescriptor*>(copy.Find(DVB_TAG_TERRESTRIAL_DELIVERY));
    ASSERT_NE(terrestrial, nullptr);
    EXPECT_EQ(terrestrial->GetCentreFrequency(), 50510000u);
    ASSERT_NE(copy.Find(0x99), nullptr);
    EXPECT_EQ(copy.Find(0x99)->GetLength(), 1);
    EXPECT_EQ(copy.Find(DVB_TAG_NETWORK_NAME), nullptr);
}

TEST(DVBLanguageDescriptor, TakesTheFirstLanguageAndItsAudioType)
{
    CDVBDescriptorList list;
    ts::Bytes payload = { 'e', 'n', 'g', 3, 'd', 'e', 'u', 0 };
    ASSERT_TRUE(ParseInto(list, ts::Descriptor(DVB_TAG_ISO_639_LANGUAGE, payload)));
    const auto* language = Only<CDVBLanguageDescriptor>(list);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->GetLanguage(), "eng");
    EXPECT_EQ(language->GetAudioType(), 3);
}

TEST(DVBNetworkNameDescriptor, TheWholePayloadIsTheName)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list, ts::Descriptor(DVB_TAG_NETWORK_NAME, { 0x05, 'N', 0x00, 't' })));
    const auto* network = Only<CDVBNetworkNameDescriptor>(list);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(network->GetName(), CString("\x05N\0t", 4));
}

TEST(DVBServiceDescriptor, KeepsTheRawBytesOfBothNamesIncludingATableSelector)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list,
        ts::ServiceDescriptor(0x19, "Prov",
            "\x05"
            "Caf\xE9")));
    const auto* service = Only<CDVBServiceDescriptor>(list);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->GetServiceType(), 0x19);
    EXPECT_EQ(service->GetProviderName(), "Prov");
    EXPECT_EQ(service->GetServiceName(),
        "\x05"
        "Caf\xE9");
}

TEST(DVBServiceDescriptor, FailsWhenEmptyOrWhenATextRunsOut)
{
    EXPECT_FALSE(CDVBServiceDescriptor().Parse(nullptr));
    const ts::Bytes payload = { 1, 4, 'P', 'r', 'o', 'v', 9, 'N', 'a' };
    CDVBServiceDescriptor truncated;
    truncated.SetHeader(DVB_TAG_SERVICE, static_cast<unsigned char>(payload.size()));
    EXPECT_FALSE(truncated.Parse(payload.data()));
    EXPECT_EQ(truncated.GetProviderName(), "Prov");
    EXPECT_EQ(truncated.GetServiceName(), "Na");
    CDVBServiceDescriptor noName;
    noName.SetHeader(DVB_TAG_SERVICE, 6);
    EXPECT_FALSE(noName.Parse(payload.data()));
}

TEST(DVBShortEventDescriptor, ReadsLanguageNameAndText)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list, ts::ShortEventDescriptor("eng", "News", "The news.\x8A")));
    const auto* event = Only<CDVBShortEventDescriptor>(list);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->GetLanguage(), "eng");
    EXPECT_EQ(event->GetEventName(), "News");
    EXPECT_EQ(event->GetText(), "The news.\x8A");
}

TEST(DVBShortEventDescriptor, FailsBelowThreeBytesOrWithoutItsTexts)
{
    const unsigned char payload[] = { 'e', 'n', 'g', 2, 'A' };
    CDVBShortEventDescriptor tooShort;
    tooShort.SetHeader(DVB_TAG_SHORT_EVENT, 2);
    EXPECT_FALSE(tooShort.Parse(payload));
    CDVBShortEventDescriptor noText;
    noText.SetHeader(DVB_TAG_SHORT_EVENT, 3);
    EXPECT_FALSE(noText.Parse(payload));
    CDVBShortEventDescriptor cut;
    cut.SetHeader(DVB_TAG_SHORT_EVENT, sizeof(payload));
    EXPECT_FALSE(cut.Parse(payload));
    EXPECT_EQ(cut.GetEventName(), "A");
}

TEST(DVBSubtitlingDescriptor, TakesTheFirstLanguageAndNeverFails)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list, ts::SubtitlingDescriptor({ { "gla" }, { "eng" } })));
    const auto* subtitling = Only<CDVBSubtitlingDescriptor>(list);
    ASSERT_NE(subtitling, nullptr);
    EXPECT_STREQ(subtitling->GetLanguage(), "gla");
    CDVBSubtitlingDescriptor empty;
    empty.SetHeader(DVB_TAG_SUBTITLING, 0);
    EXPECT_TRUE(empty.Parse(nullptr));
    EXPECT_STREQ(empty.GetLanguage(), "");
}

TEST(DVBTerrestrialDeliveryDescriptor, DecodesEveryField)
{
    ts::TerrestrialDelivery delivery;
    delivery.centreFrequency = 0x0302B8B0;
    delivery.bandwidth = 3;
    delivery.constellation = 1;
    delivery.hierarchy = 2;
    delivery.codeRateHp = 4;
    delivery.codeRateLp = 1;
    delivery.guardInterval = 2;
    delivery.transmissionMode = 1;
    delivery.otherFrequency = true;
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list, ts::TerrestrialDeliveryDescriptor(delivery)));
    const auto* t = Only<CDVBTerrestrialDeliveryDescriptor>(list);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetCentreFrequency(), 50510000u);
    EXPECT_EQ(t->GetBandwidth(), 3);
    EXPECT_EQ(t->GetConstellation(), 1);
    EXPECT_EQ(t->GetHierarchyInformation(), 2);
    EXPECT_EQ(t->GetCodeRateHP(), 4);
    EXPECT_EQ(t->GetCodeRateLP(), 1);
    EXPECT_EQ(t->GetGuardInterval(), 2);
    EXPECT_EQ(t->GetTransmissionMode(), 1);
    EXPECT_EQ(t->GetOtherFrequencyFlag(), 1);
}

TEST(DVBTerrestrialDeliveryDescriptor, FailsBelowElevenBytes)
{
    const unsigned char payload[11] = { 1, 2, 3, 4 };
    CDVBTerrestrialDeliveryDescriptor descriptor;
    descriptor.SetHeader(DVB_TAG_TERRESTRIAL_DELIVERY, 10);
    EXPECT_FALSE(descriptor.Parse(payload));
    EXPECT_EQ(descriptor.GetCentreFrequency(), 0u);
}

TEST(DVBTerrestrialDeliveryDescriptor, TextsFollowTheirTablesAndAreUnknownBeyond)
{
    using T = CDVBTerrestrialDeliveryDescriptor;
    EXPECT_EQ(T::GetBandwidthText(0), "8MHz");
    EXPECT_EQ(T::GetBandwidthText(3), "reserved 1");
    EXPECT_EQ(T::GetBandwidthText(7), "reserved 5");
    EXPECT_EQ(T::GetBandwidthText(8), "unknown");
    EXPECT_EQ(T::GetConstellationText(2), "64-QAM");
    EXPECT_EQ(T::GetConstellationText(4), "unknown");
    EXPECT_EQ(T::GetHierarchyText(0), "non-hierarchical");
    EXPECT_EQ(T::GetHierarchyText(7), "reserved 4");
    EXPECT_EQ(T::GetCodeRateText(3), "5/6");
    EXPECT_EQ(T::GetCodeRateText(5), "reserved 1");
    EXPECT_EQ(T::GetGuardIntervalText(2), "1/8");
    EXPECT_EQ(T::GetGuardIntervalText(4), "unknown");
    EXPECT_EQ(T::GetTransmissionModeText(1), "8k");
    EXPECT_EQ(T::GetTransmissionModeText(3), "reserved 2");
    EXPECT_EQ(T::GetTransmissionModeText(4), "unknown");
}

namespace {
std::vector<std::tuple<int, bool, int>> Channels(const CDVBDescriptor* descriptor)
{
    std::vector<std::tuple<int, bool, int>> channels;
    if (auto* lcn = dynamic_cast<const CDVBLogicalChannelDescriptor*>(descriptor)) {
        for (const CDVBLogicalChannel& channel : lcn->GetChannels())
            channels.emplace_back(channel.serviceId, channel.visible, channel.number);
    }
    return channels;
}
} // namespace

// The reserved bits between the flag and the number are written as ones, so
// a number read with them, or a flag read from the wrong bit, shows.
TEST(DVBLogicalChannelDescriptor, ReadsBothLayoutsInStreamOrder)
{
    CDVBDescriptorList list;
    ASSERT_TRUE(ParseInto(list,
        ts::Concat({ ts::LogicalChannelDescriptor({ { 0x1234, 1023, true }, { 2, 7, false } }),
            ts::LogicalChannelListsDescriptor({ { 1, "Oslo", "NOR", { { 3, 21, true } } },
                { 2, "", "SWE", { { 4, 512, false }, { 3, 40, true } } } }) })));
    ASSERT_EQ(list.GetCount(), 2u);
    using C = std::tuple<int, bool, int>;
    EXPECT_EQ(
        Channels(list.Find(DVB_TAG_LOGICAL_CHANNEL)), (std::vector<C> { { 0x1234, true, 1023 }, { 2, false, 7 } }));
    EXPECT_EQ(Channels(list.Find(DVB_TAG_LOGICAL_CHANNEL_LISTS)),
        (std::vector<C> { { 3, true, 21 }, { 4, false, 512 }, { 3, true, 40 } }));
}

TEST(DVBLogicalChannelDescriptor, ACutShortListKeepsTheEntriesBeforeTheCut)
{
    using C = std::tuple<int, bool, int>;
    ts::Bytes lists = ts::LogicalChannelListsDescriptor(
        { { 1, "A", "NOR", { { 3, 21, true } } }, { 2, "B", "NOR", { { 4, 22, true }, { 5, 23, true } } } });
    lists[1] -= 2; // the last entry loses half its bytes
    CDVBLogicalChannelDescriptor cut;
    cut.SetHeader(lists[0], lists[1]);
    EXPECT_FALSE(cut.Parse(lists.data() + 2));
    EXPECT_EQ(Channels(&cut), (std::vector<C> { { 3, true, 21 }, { 4, true, 22 } }));

    ts::Bytes eacem = ts::LogicalChannelDescriptor({ { 1, 5, true }, { 2, 6, true } });
    CDVBLogicalChannelDescriptor odd;
    odd.SetHeader(eacem[0], 6);
    EXPECT_FALSE(odd.Parse(eacem.data() + 2));
    EXPECT_EQ(Channels(&odd), (std::vector<C> { { 1, true, 5 } }));
}
