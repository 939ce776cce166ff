// Subtitle PES packets into display sets: what is kept, and what a malformed
// or hostile packet costs (nothing but itself).
#include "SubtitleTestStream.h"

#include "DVBPageCompositionSegment.h"
#include "DVBRegionCompositionSegment.h"
#include "DVBSubtitleDrawTarget.h"
#include "DVBSubtitleReceiver.h"

#include <gtest/gtest.h>

using namespace subtitle_test;

namespace {

class DisplaySets : public ::testing::Test
{
protected:
    // A layer is attached, so that the queue keeps what it is given.
    void SetUp() override { receiver.SetDisplay(&display); }

    void Parse(Bytes pes) { receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size())); }
    std::unique_ptr<CDVBSubtitleDisplaySet> Take() { return receiver.TakeNextDisplaySet(0); }

    FakeDisplay display;
    CDVBSubtitleReceiver receiver { nullptr };
};

CDVBSubtitleDisplaySet ParseSet(const Bytes& payload, bool expected = true)
{
    CDVBSubtitleDisplaySet set;
    CDVBMemoryReader reader(payload.data(), payload.size());
    EXPECT_EQ(set.Parse(reader), expected);
    return set;
}

} // namespace

TEST_F(DisplaySets, AnEmptyPayloadGivesAnEmptyDisplaySetWithItsTimeStamps)
{
    Parse(Pes(Payload({}), 123456));
    auto set = Take();
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(set->GetSegments().empty());
    EXPECT_EQ(set->m_dataIdentifier, 0x20);
    EXPECT_EQ(set->m_timeStampFlags, DVB_PTS_PRESENT) << "no clock, so no receipt time";
    EXPECT_EQ(set->m_pts, 123456);
}

TEST_F(DisplaySets, EachPESInABufferGivesOneDisplaySetAndOtherStreamsNone)
{
    Bytes buffer = Pes(Payload({ Page(0, {}) }), 1000);
    Bytes video = ts::PesWriter::Build(ts::PesPacket(0xE0, 5, std::nullopt, Payload({ Page(0, {}) })));
    buffer.insert(buffer.end(), video.begin(), video.end());
    Bytes second = Pes(Payload({ Page(0, {}), Page(0, {}) }), 2000);
    buffer.insert(buffer.end(), second.begin(), second.end());
    Parse(buffer);
    EXPECT_EQ(receiver.GetQueuedCount(), 2u);
    EXPECT_EQ(Take()->GetSegments().size(), 1u);
    EXPECT_EQ(Take()->GetSegments().size(), 2u);

    Parse(video);
    Parse({ 0x00, 0x00, 0x01, 0xBD, 0x00 }); // cut inside the header
    EXPECT_EQ(receiver.GetQueuedCount(), 0u);
}

TEST_F(DisplaySets, AMalformedDisplaySetIsDroppedWholeAndTheNextOneStillCounts)
{
    Bytes shortRegion = Segment(0x11, { 1, 0, 0, 10, 0, 10, 0, 0, 0 }); // 9 bytes
    Parse(Pes(Payload({ Page(0, { { 1, 0, 0 } }), shortRegion }), 1));
    Bytes pastTheEnd = Payload({ Page(0, {}) });
    pastTheEnd.insert(pastTheEnd.end() - 1, { 0x0F, 0x13, 0x00, 0x01, 0xFF, 0xFF, 0x00 }); // 65535-byte object
    Parse(Pes(pastTheEnd, 2));
    Bytes unfinished = Payload({ Page(0, {}) });
    unfinished.pop_back(); // no byte after the last segment
    Parse(Pes(unfinished, 3));
    EXPECT_EQ(receiver.GetQueuedCount(), 0u);

    Parse(Pes(Payload({ Page(0, {}) }), 4));
    auto set = Take();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->m_pts, 4);
}

TEST(DisplaySetParsing, ALengthZeroSegmentKeepsItsInitialFields)
{
    CDVBSubtitleDisplaySet set = ParseSet(Payload({ Segment(0x10, {}, 7), Segment(0x11, {}), Segment(0x80, {}) }));
    ASSERT_EQ(set.GetSegments().size(), 3u);
    auto* page = static_cast<CDVBPageCompositionSegment*>(set.GetSegments().front().get());
    EXPECT_EQ(page->GetPageId(), 7);
    EXPECT_EQ(page->GetLength(), 0);
    EXPECT_TRUE(page->GetRegions().empty());
    EXPECT_NE(set.FindSegment(0x11, 0), nullptr) << "a region without a body has region id 0";
    EXPECT_EQ(set.GetSegments().back()->GetType(), 0x80);
}

TEST(DisplaySetParsing, RegionFieldsAndObjectReferences)
{
    Bytes body { 3, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x0C, 5, 0, 0 };
    body.insert(body.end(), { 0x00, 0x09, 0x4A, 0xBC, 0x10, 0x20, 0xAA, 0xBB }); // character object: two codes
    body.insert(body.end(), { 0x00, 0x0A, 0x0F, 0xFF, 0xFF, 0xFF });
    body.insert(body.end(), { 0x00, 0x0B, 0x40 }); // too short for an object reference: ignored
    CDVBSubtitleDisplaySet set = ParseSet(Payload({ Segment(0x11, body) }));
    auto* region = static_cast<CDVBRegionCompositionSegment*>(set.FindSegment(0x11, 3));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region->GetCLUTId(), 5);
    ASSERT_EQ(region->GetObjects().size(), 2u);
    const CDVBObjectReference& character = region->GetObjects()[0];
    EXPECT_EQ(std::vector<int>({ character.objectId, character.objectType, character.horizontalPosition,
                  character.verticalPosition, character.foregroundPixelCode, character.backgroundPixelCode }),
        std::vector<int>({ 9, 1, 0xABC, 0x020, 0xAA, 0xBB }));
    EXPECT_EQ(region->GetObjects()[1].horizontalPosition, 0xFFF);

    Bytes cutCodes(body.begin(), body.begin() + 17); // character object without its second code
    ParseSet(Payload({ Segment(0x11, cutCodes) }), false);
}

TEST(DisplaySetParsing, APageNamingAThousandRegionsKeepsThemAll)
{
    std::vector<Placed> regions;
    for (int i = 0; i < 1000; ++i)
        regions.push_back({ uint16_t(i % 256), uint16_t(i), uint16_t(i) });
    CDVBSubtitleDisplaySet set = ParseSet(Payload({ Page(1, regions) }));
    auto* page = static_cast<CDVBPageCompositionSegment*>(set.FindFirstSegment(0x10));
    ASSERT_EQ(page->GetRegions().size(), 1000u);
    EXPECT_EQ(page->GetRegions()[999].horizontalAddress, 999);
    EXPECT_EQ(page->GetPageState(), 1);
}

TEST(DisplaySetParsing, ObjectsOfOneDisplaySetKeepAtMostTwoFramesOfPixels)
{
    const Bytes frame = Block(288, 720, 1); // 720 x 576
    CDVBSubtitleDisplaySet set = ParseSet(
        Payload({ Object(1, frame, {}), Object(2, frame, {}), Object(3, frame, {}), Object(4, Block(1, 4, 1), {}) }));
    auto pixels = [&](uint16_t id) {
        return static_cast<CDVBObjectDataSegment*>(set.FindSegment(0x13, id))->GetPixels().size();
    };
    EXPECT_EQ(pixels(1), 720u * 576);
    EXPECT_EQ(pixels(2), 720u * 576);
    EXPECT_EQ(pixels(3), 0u) << "past the budget the object keeps no pixels";
    EXPECT_EQ(static_cast<CDVBObjectDataSegment*>(set.FindSegment(0x13, 3))->GetWidth(), 720);
    EXPECT_EQ(pixels(4), 0u);
}

TEST(DisplaySetParsing, ADisplayDefinitionSizesTheDisplaySetAndTheObjectsAfterIt)
{
    const Bytes wide = Object(1, Block(1, 1500, 1), {});
    CDVBSubtitleDisplaySet standard = ParseSet(Payload({ wide }));
    EXPECT_EQ(standard.GetDisplayDefinition().width, 720);
    EXPECT_EQ(standard.GetDisplayDefinition().height, 576);
    EXPECT_EQ(static_cast<CDVBObjectDataSegment*>(standard.FindSegment(0x13, 1))->GetWidth(), 720);

    CDVBSubtitleDisplaySet hd
        = ParseSet(Payload({ DisplayDefinition(1920, 1080), wide, Object(2, Block(700, 4, 1), {}) }));
    const CDVBDisplayDefinition& display = hd.GetDisplayDefinition();
    EXPECT_EQ(std::vector<int>({ display.width, display.height, display.windowX, display.windowY, display.windowWidth,
                  display.windowHeight }),
        std::vector<int>({ 1920, 1080, 0, 0, 1920, 1080 }));
    EXPECT_EQ(static_cast<CDVBObjectDataSegment*>(hd.FindSegment(0x13, 1))->GetWidth(), 1500);
    EXPECT_EQ(static_cast<CDVBObjectDataSegment*>(hd.FindSegment(0x13, 2))->GetHeight(), 1080)
        << "1400 rows cut at the display's height";

    // Two full HD objects fit the budget of an HD display set.
    const Bytes full = Block(540, 1920, 1);
    CDVBSubtitleDisplaySet two
        = ParseSet(Payload({ DisplayDefinition(1920, 1080), Object(1, full, {}), Object(2, full, {}) }));
    EXPECT_EQ(static_cast<CDVBObjectDataSegment*>(two.FindSegment(0x13, 2))->GetPixels().size(), 1920u * 1080);
}

TEST(DisplaySetParsing, HostileDisplayDefinitionsAreRefusedCutOrIgnored)
{
    const auto definition = [](const Bytes& segment) { return ParseSet(Payload({ segment })).GetDisplayDefinition(); };
    const auto window = [](const CDVBDisplayDefinition& display) {
        return std::vector<int>({ display.windowX, display.windowY, display.windowWidth, display.windowHeight });
    };

    const CDVBDisplayDefinition windowed = definition(DisplayDefinition(1920, 1080, { 100, 199, 50, 1079 }));
    EXPECT_EQ(window(windowed), std::vector<int>({ 100, 50, 100, 1030 }));
    const CDVBDisplayDefinition huge = definition(DisplayDefinition(0x10000, 0x10000, { 5000, 6000, 0, 9 }));
    EXPECT_EQ(huge.width, 4096);
    EXPECT_EQ(huge.height, 4096);
    EXPECT_EQ(window(huge), std::vector<int>({ 0, 0, 4096, 4096 })) << "a window outside the display is none";
    EXPECT_EQ(
        window(definition(DisplayDefinition(1280, 720, { 300, 200, 0, 719 }))), std::vector<int>({ 0, 0, 1280, 720 }))
        << "a window ending before it starts is none";
    EXPECT_EQ(window(definition(DisplayDefinition(1280, 720, { 1200, 1999, 700, 799 }))),
        std::vector<int>({ 1200, 700, 80, 20 }))
        << "cut at the display's edge";
    EXPECT_EQ(definition(Segment(0x14, {})).width, 720) << "no body: the standard display";

    Bytes cut = DisplayDefinition(1920, 1080, { 0, 1919, 0, 1079 });
    cut.resize(cut.size() - 2);
    cut[5] = uint8_t(cut.size() - 6);
    ParseSet(Payload({ cut }), false);
    ParseSet(Payload({ Segment(0x14, { 0x00, 0x07, 0x7F, 0x04 }) }), false);
}

TEST(PageModel, ANormalCaseUpdateForEachLineKeepsOnlyWhatCanStillShow)
{
    // Each line a new object in the same place, the region neither filled nor cleared.
    CDVBSubtitleDisplaySet pageModel;
    CDVBSubtitleDrawTarget target;
    for (uint16_t line = 0; line < 1000; ++line) {
        CDVBSubtitleDisplaySet set = ParseSet(Payload({ Page(line == 0 ? 2 : 0, { { 1, 0, 0 } }),
            Region(1, 1, { { line, 10, 10 } }), Object(line, Block(2, 8, 1), {}) }));
        ASSERT_TRUE(pageModel.Merge(set));
        pageModel.ClearUsedMarks();
        target.DrawPageModel(pageModel);
        pageModel.Sweep();
    }
    auto* region = static_cast<CDVBRegionCompositionSegment*>(pageModel.FindSegment(0x11, 1));
    ASSERT_NE(region, nullptr);
    ASSERT_EQ(region->GetObjects().size(), 1u);
    EXPECT_EQ(region->GetObjects()[0].objectId, 999);
    EXPECT_EQ(pageModel.GetSegments().size(), 3u) << "the page, the region and the last object";
}
