// The subtitle layer: the page model it builds from applied display sets and
// the pixels it paints into each frame.
#include "SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"

#include <gtest/gtest.h>

using namespace subtitle_test;

namespace {

constexpr uint8_t MID_GREY = 0x80;

class SubtitleLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddDefaultColourTable(BuildDefaultColourTable());
        receiver.SetDisplay(&display);
    }
    void TearDown() override { DeleteDefaultColourTables(); }

    void Send(const std::vector<Bytes>& segments)
    {
        for (Bytes& packet : Packets(Payload(segments), std::nullopt))
            receiver.OnReceivePacket(0, packet.data());
    }
    Frame Draw()
    {
        Frame frame(MID_GREY);
        display.Draw(frame, 0);
        return frame;
    }

    FakeDisplay display;
    CDVBSubtitleReceiver receiver { nullptr };
};

// A 4 x 4 object: two columns of code 0, two of code 1 (the top field only,
// so the bottom field repeats it).
Bytes TwoCodeObject(uint16_t id)
{
    return Object(id, Lines({ { { 2, 0 }, { 2, 1 } }, { { 2, 0 }, { 2, 1 } } }), {});
}

const Colour CODE_0 { 0, 20, 128, 128, 255 };
const Colour CODE_1 { 1, 200, 50, 60, 0 };

} // namespace

TEST_F(SubtitleLayer, LeavesTheFrameAloneUntilAPageArrives)
{
    Frame frame = Draw();
    EXPECT_EQ(frame.CountLuma(MID_GREY), size_t(Frame::WIDTH) * Frame::HEIGHT);
    Send({ Clut(1, { CODE_1 }), TwoCodeObject(1) }); // no page composition: changes nothing
    frame = Draw();
    EXPECT_EQ(frame.CountLuma(MID_GREY), size_t(Frame::WIDTH) * Frame::HEIGHT);
}

TEST_F(SubtitleLayer, PaintsEveryCodeWithAnEntryOpaqueAtRegionPlusObjectPosition)
{
    Send(
        { Page(2, { { 1, 100, 50 } }), Region(1, 1, { { 1, 10, 4 } }), Clut(1, { CODE_0, CODE_1 }), TwoCodeObject(1) });
    Frame frame = Draw();
    EXPECT_EQ(frame.Y(110, 54), 20) << "code 0 is painted, transparent or not";
    EXPECT_EQ(frame.Y(113, 57), 200);
    EXPECT_EQ(frame.U(112, 54), 60);
    EXPECT_EQ(frame.V(112, 54), 50);
    EXPECT_EQ(frame.Y(109, 54), MID_GREY);
    EXPECT_EQ(frame.Y(114, 54), MID_GREY);
    EXPECT_EQ(frame.Y(110, 58), MID_GREY);
    EXPECT_EQ(frame.CountLuma(200), 8u);
    EXPECT_EQ(frame.CountLuma(20), 8u);

    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 1, 0, 0 } }), Clut(1, { CODE_1 }) });
    frame = Draw();
    EXPECT_EQ(frame.CountLuma(200), 8u);
    EXPECT_EQ(frame.Y(0, 0), MID_GREY) << "a code without an entry leaves the frame alone";

    // The page stays on every following frame.
    EXPECT_EQ(Draw().CountLuma(200), 8u);
}

TEST_F(SubtitleLayer, ObjectsPastTheFrameEdgeAreCutAndFarOnesNotWrappedRound)
{
    Send({ Page(2, { { 1, 718, 574 }, { 2, 0xFFFF, 0xFFFF } }), Region(1, 1, { { 1, 0, 0 } }),
        Region(2, 1, { { 1, 0, 0 } }), Clut(1, { CODE_0, CODE_1 }), TwoCodeObject(1) });
    Frame frame = Draw();
    EXPECT_EQ(frame.Y(718, 574), 20);
    EXPECT_EQ(frame.Y(719, 575), 20);
    EXPECT_EQ(frame.CountLuma(20), 4u) << "only the 2 x 2 corner fits";
    EXPECT_EQ(frame.CountLuma(200), 0u);
}

TEST_F(SubtitleLayer, APageNamingAThousandRegionsDrawsTheOnesItHas)
{
    std::vector<Placed> regions;
    for (int i = 0; i < 1000; ++i)
        regions.push_back({ uint16_t(i % 256), uint16_t(i * 7 % 700), uint16_t(i / 4 % 560) });
    Send({ Page(2, regions), Region(1, 1, { { 1, 0, 0 } }), Clut(1, { CODE_1 }), TwoCodeObject(1) });
    Frame frame = Draw();
    EXPECT_EQ(frame.CountLuma(200), 4u * 8) << "region 1 is named four times";
    EXPECT_EQ(frame.Y(399 + 2, 64), 200);
}

TEST_F(SubtitleLayer, AMissingColourTableFallsBackToTheDefaultUntilOneArrives)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 5, { { 1, 0, 0 } }), TwoCodeObject(1) });
    Frame frame = Draw();
    EXPECT_EQ(frame.Y(2, 0), 82) << "default entry 1";
    EXPECT_EQ(frame.Y(0, 0), 16) << "default entry 0";

    Send({ Page(0, { { 1, 0, 0 } }), Clut(5, { { 1, 222, 128, 128, 0 } }) });
    frame = Draw();
    EXPECT_EQ(frame.Y(2, 0), 222);
    EXPECT_EQ(frame.Y(0, 0), MID_GREY) << "the new table has no entry 0";
}

TEST_F(SubtitleLayer, TwoDueDisplaySetsAreAppliedOnTwoFrames)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 1, 0, 0 } }), Clut(1, { CODE_1 }), TwoCodeObject(1) });
    Send({ Page(0, {}) });
    EXPECT_EQ(Draw().CountLuma(200), 8u);
    EXPECT_EQ(Draw().CountLuma(200), 0u) << "a page without regions clears the subtitle";
}

TEST_F(SubtitleLayer, ADisplaySetOfObjectsOnlyNeverReachesThePage)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 7, 0, 0 } }), Clut(1, { CODE_1 }) });
    Send({ TwoCodeObject(7) });
    Send({ Page(0, { { 1, 0, 0 } }) });
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(Draw().CountLuma(200), 0u) << "frame " << frame;
}

TEST_F(SubtitleLayer, NormalCaseRegionsGainObjectsWhileAcquisitionPointsReplaceThem)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 1, 0, 0 } }), Clut(1, { CODE_1 }), TwoCodeObject(1) });
    Send({ Page(0, { { 1, 0, 0 } }), Region(1, 1, { { 2, 100, 0 } }), TwoCodeObject(2) });
    Send({ Page(1, { { 1, 0, 0 } }), Region(1, 1, { { 2, 200, 0 } }), TwoCodeObject(2) });
    Draw();
    Frame both = Draw();
    EXPECT_EQ(both.Y(2, 0), 200);
    EXPECT_EQ(both.Y(102, 0), 200);
    Frame replaced = Draw();
    EXPECT_EQ(replaced.Y(2, 0), MID_GREY);
    EXPECT_EQ(replaced.Y(102, 0), MID_GREY);
    EXPECT_EQ(replaced.Y(202, 0), 200);
}

TEST_F(SubtitleLayer, NormalCaseObjectsPaintOverWhatTheyCoverAndAFilledRegionStartsAfresh)
{
    // Object 2 covers object 1 whole with a code that has no colour: nothing of object 1 shows.
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 1, 0, 0 }, { 3, 100, 0 } }), Clut(1, { CODE_1 }),
        TwoCodeObject(1), TwoCodeObject(3) });
    Send({ Page(0, { { 1, 0, 0 } }), Region(1, 1, { { 2, 0, 0 } }), Object(2, Block(2, 4, 7), {}) });
    Send({ Page(0, { { 1, 0, 0 } }), Region(1, 1, {}, true) });
    EXPECT_EQ(Draw().CountLuma(200), 16u);
    Frame paintedOver = Draw();
    EXPECT_EQ(paintedOver.Y(2, 0), MID_GREY);
    EXPECT_EQ(paintedOver.Y(102, 0), 200) << "what the update did not cover stays";
    EXPECT_EQ(Draw().CountLuma(200), 0u) << "the filled region lost every object";
}

TEST_F(SubtitleLayer, OfTwoPagesTheFirstIsDrawn)
{
    Bytes secondPage = Page(2, { { 2, 300, 0 } }, 9);
    Send({ Page(2, { { 1, 0, 0 } }), secondPage, Region(1, 1, { { 1, 0, 0 } }), Region(2, 1, { { 1, 0, 0 } }),
        Clut(1, { CODE_1 }), TwoCodeObject(1) });
    Frame frame = Draw();
    EXPECT_EQ(frame.Y(2, 0), 200);
    EXPECT_EQ(frame.Y(302, 0), MID_GREY);
}

TEST_F(SubtitleLayer, ColourTablesOutliveTheClearingOfThePage)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 5, { { 1, 0, 0 } }), Clut(5, { CODE_1 }), TwoCodeObject(1) });
    Send({ Page(2, {}) });
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 5, { { 1, 0, 0 } }), TwoCodeObject(1) });
    EXPECT_EQ(Draw().CountLuma(200), 8u);
    EXPECT_EQ(Draw().CountLuma(200), 0u);
    EXPECT_EQ(Draw().CountLuma(200), 8u) << "table 5 stayed in the page model";
}

TEST_F(SubtitleLayer, ARemovedLayerIsNotDrawnAndANewOneStartsAfresh)
{
    Send({ Page(2, { { 1, 0, 0 } }), Region(1, 1, { { 1, 0, 0 } }), Clut(1, { CODE_1 }), TwoCodeObject(1) });
    EXPECT_EQ(Draw().CountLuma(200), 8u);
    receiver.UnsetDisplay(&display);
    EXPECT_EQ(display.LayerCount(), 0u);
    EXPECT_EQ(Draw().CountLuma(200), 0u);
    Send({ Page(0, { { 1, 0, 0 } }) });
    EXPECT_EQ(receiver.GetQueuedCount(), 0u) << "due at once, with no layer to take it";

    receiver.SetDisplay(&display);
    receiver.SetDisplay(&display);
    EXPECT_EQ(display.LayerCount(), 1u) << "one layer however often the display is set";
    EXPECT_EQ(Draw().CountLuma(200), 0u) << "the new page model has no region 1 or object 1";
}
