#include "KRXNetRTPHeader.h"
#include "KRXNetRTPReorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// One RTP packet carrying the payload byte tag, with the header's extras.
std::vector<uint8_t> Packet(uint16_t sequence, uint8_t tag, int csrcs = 0, int extensionWords = -1, int padding = 0)
{
    std::vector<uint8_t> data = { uint8_t(0x80 | csrcs | (extensionWords >= 0 ? 0x10 : 0) | (padding ? 0x20 : 0)),
        KRX_RTP_PAYLOAD_MP2T, uint8_t(sequence >> 8), uint8_t(sequence), 0, 0, 0, 9, 1, 2, 3, 4 };
    data.insert(data.end(), 4 * csrcs, 0xCC);
    if (extensionWords >= 0) {
        data.insert(data.end(), { 0xBE, 0xDE, 0, uint8_t(extensionWords) });
        data.insert(data.end(), 4 * extensionWords, 0xEE);
    }
    data.push_back(tag);
    data.insert(data.end(), padding, uint8_t(padding));
    return data;
}

struct Collector {
    std::vector<uint8_t> tags;
    CKRXNetRTPReorder reorder { [this](const uint8_t* payload, size_t size) {
        ASSERT_EQ(size, 1u);
        tags.push_back(payload[0]);
    } };
    void Push(uint16_t sequence) { reorder.Push(sequence, reinterpret_cast<uint8_t*>(&sequence), 1); }
};
} // namespace

TEST(RTPHeader, FindsThePayloadPastEveryOptionalPart)
{
    KRXNetRTPHeader header;
    const auto plain = Packet(0x1234, 7);
    ASSERT_TRUE(ParseRTPHeader(plain.data(), plain.size(), header));
    EXPECT_EQ(header.sequence, 0x1234);
    EXPECT_EQ(header.payloadType, KRX_RTP_PAYLOAD_MP2T);
    EXPECT_EQ(header.timestamp, 9u);
    EXPECT_EQ(header.ssrc, 0x01020304u);
    EXPECT_EQ(header.payloadOffset, 12u);
    EXPECT_EQ(header.payloadSize, 1u);

    const auto extras = Packet(1, 7, 2, 3, 4);
    ASSERT_TRUE(ParseRTPHeader(extras.data(), extras.size(), header));
    EXPECT_EQ(header.payloadOffset, 12u + 8 + 4 + 12);
    EXPECT_EQ(header.payloadSize, 1u);
    EXPECT_EQ(extras[header.payloadOffset], 7);
}

TEST(RTPHeader, RefusesPacketsWhoseLengthsDoNotFit)
{
    KRXNetRTPHeader header;
    auto version1 = Packet(1, 7);
    version1[0] = 0x40;
    EXPECT_FALSE(ParseRTPHeader(version1.data(), version1.size(), header));
    const auto plain = Packet(1, 7);
    EXPECT_FALSE(ParseRTPHeader(plain.data(), 11, header));
    auto tooManyCsrcs = Packet(1, 7, 0);
    tooManyCsrcs[0] |= 0x0F;
    EXPECT_FALSE(ParseRTPHeader(tooManyCsrcs.data(), tooManyCsrcs.size(), header));
    auto longExtension = Packet(1, 7, 0, 0);
    longExtension[15] = 200;
    EXPECT_FALSE(ParseRTPHeader(longExtension.data(), longExtension.size(), header));
    auto overPadded = Packet(1, 7, 0, -1, 1);
    overPadded.back() = 200;
    EXPECT_FALSE(ParseRTPHeader(overPadded.data(), overPadded.size(), header));
}

TEST(RTPReorder, RestoresSwappedNeighboursAndCountsEachDropOnce)
{
    // A sender that drops one packet in a hundred and swaps pairs of
    // neighbours, across the wrap of the sequence number.
    Collector collector;
    std::vector<uint16_t> sent, expected;
    const uint16_t first = 65000;
    for (int i = 0; i < 3000; ++i) {
        const uint16_t sequence = uint16_t(first + i);
        if (i % 100 == 37)
            continue;
        expected.push_back(uint8_t(sequence));
        sent.push_back(sequence);
    }
    // The first packet to come begins the stream, so the swaps start after it.
    for (size_t i = 3; i + 1 < sent.size(); i += 7)
        std::swap(sent[i], sent[i + 1]);
    for (uint16_t sequence : sent)
        collector.Push(sequence);
    collector.reorder.Flush();
    std::vector<uint8_t> expectedTags(expected.begin(), expected.end());
    EXPECT_EQ(collector.tags, expectedTags);
    EXPECT_EQ(collector.reorder.GetLostCount(), 30u);
    EXPECT_EQ(collector.reorder.GetDroppedCount(), 0u);
}

TEST(RTPReorder, DropsLateAndRepeatedPacketsAndFollowsASenderThatBeganAgain)
{
    Collector collector;
    for (uint16_t sequence : { 10, 11, 11, 13, 14, 15, 16, 17, 18, 19, 20 })
        collector.Push(sequence);
    // 12 waited for until seven packets were held, then given up on.
    EXPECT_EQ(collector.reorder.GetLostCount(), 1u);
    collector.Push(12);
    EXPECT_EQ(collector.reorder.GetDroppedCount(), 2u);
    collector.Push(40000);
    collector.Push(40001);
    const std::vector<uint8_t> expected = { 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, uint8_t(40000), uint8_t(40001) };
    EXPECT_EQ(collector.tags, expected);
    EXPECT_EQ(collector.reorder.GetLostCount(), 1u);
}

TEST(RTPReorder, AGapWiderThanTheWindowIsCountedInFull)
{
    Collector collector;
    collector.Push(100);
    collector.Push(150);
    collector.Push(151);
    collector.reorder.Flush();
    EXPECT_EQ(collector.reorder.GetLostCount(), 49u);
    const std::vector<uint8_t> expected = { 100, 150, 151 };
    EXPECT_EQ(collector.tags, expected);
}
