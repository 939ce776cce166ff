// Subtitles made for a display other than 720 x 576 (an HD service's), as
// the project's encoder writes them: painted at the picture's scale, whatever
// the size of the frame the decoder gives the display.
#include "SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"
#include "DvbSubtitleEncoder.h"
#include "SubtitlePalette.h"

#include <gtest/gtest.h>

using namespace subtitle_test;

namespace {

constexpr uint8_t GREY = 0x80;
constexpr uint8_t WHITE_LUMA = 235;

// The rectangle painted white (left, top, right, bottom; right and bottom
// one past the last) and how many pixels are: a box has right - left times
// bottom - top.
std::vector<int> FindWhite(const Frame& frame)
{
    int left = frame.width, top = frame.height, right = 0, bottom = 0, count = 0;
    for (int row = 0; row < frame.height; ++row)
        for (int column = 0; column < frame.width; ++column) {
            if (frame.Y(column, row) != WHITE_LUMA)
                continue;
            ++count;
            left = std::min(left, column);
            top = std::min(top, row);
            right = std::max(right, column + 1);
            bottom = std::max(bottom, row + 1);
        }
    return { left, top, right, bottom, count };
}

std::vector<int> Box(int left, int top, int right, int bottom)
{
    return { left, top, right, bottom, (right - left) * (bottom - top) };
}

class HDSubtitles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddDefaultColourTable(BuildDefaultColourTable());
        receiver.SetDisplay(&display);
    }
    void TearDown() override { DeleteDefaultColourTables(); }

    void Send(const Bytes& payload)
    {
        for (Bytes& packet : Packets(payload, std::nullopt))
            receiver.OnReceivePacket(0, packet.data());
    }
    // A white box of the size at the position, in the encoder's display.
    void Show(int x, int y, int width, int height)
    {
        Send(encoder.ShowPage({ { x, y, 4, SubtitleBitmap(width, height, SubtitlePalette::WHITE) } }, 5));
    }
    std::vector<int> Draw(int width, int height)
    {
        Frame frame(GREY, GREY, width, height);
        display.Draw(frame, 0);
        return FindWhite(frame);
    }

    DvbSubtitleEncoder encoder { 1 };
    FakeDisplay display;
    CDVBSubtitleReceiver receiver { nullptr };
};

} // namespace

TEST_F(HDSubtitles, LandAtTheirPlaceAndSizeInAnHDPictureAndScaledInAnSDOne)
{
    encoder.DefineDisplay(1920, 1080);
    // Wider than a 720 x 576 display, and placed beyond it.
    Show(800, 1000, 1000, 40);
    EXPECT_EQ(Draw(1920, 1080), Box(800, 1000, 1800, 1040));
    // The same page over the picture of an MPEG-2 decoder: scaled by 3/8 and 8/15.
    EXPECT_EQ(Draw(720, 576), Box(300, 533, 675, 554));
    // And over a 1440 x 1080 picture: squeezed sideways only.
    EXPECT_EQ(Draw(1440, 1080), Box(600, 1000, 1350, 1040));
}

TEST_F(HDSubtitles, RegionsOfAWindowAreCountedFromItsCornerAndKeptInsideIt)
{
    encoder.DefineDisplay(1920, 1080, SubtitleWindow { 240, 1679, 100, 979 });
    Show(10, 20, 100, 30);
    EXPECT_EQ(Draw(1920, 1080), Box(250, 120, 350, 150));
    Show(1400, 860, 100, 100);
    EXPECT_EQ(Draw(1920, 1080), Box(1640, 960, 1680, 980)) << "cut at the window's right and bottom edges";
}

TEST_F(HDSubtitles, AStandardStreamIsPaintedAsBeforeOnItsOwnSizeAndStretchedOnAnHDPicture)
{
    Show(100, 500, 300, 40);
    EXPECT_EQ(Draw(720, 576), Box(100, 500, 400, 540));
    EXPECT_EQ(Draw(1920, 1080), Box(266, 937, 1066, 1012));
}

TEST_F(HDSubtitles, EachDisplaySetBringsItsOwnDisplay)
{
    encoder.DefineDisplay(1920, 1080);
    Show(960, 540, 96, 54);
    EXPECT_EQ(Draw(1920, 1080), Box(960, 540, 1056, 594));
    // The next display set says nothing of its display: it is a 720 x 576 one.
    DvbSubtitleEncoder standard(1);
    Send(standard.ShowPage({ { 360, 288, 4, SubtitleBitmap(36, 27, SubtitlePalette::WHITE) } }, 5));
    EXPECT_EQ(Draw(1920, 1080), Box(960, 540, 1056, 590));
}
