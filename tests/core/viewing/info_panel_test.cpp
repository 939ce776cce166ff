// The on-screen panel as the display's frame thread draws it, and how long it shows.
#include "viewing/KRXInfoPanel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr int W = 720, H = 576;
using P = CKRXInfoPanel;

struct Frame {
    std::vector<unsigned char> y = std::vector<unsigned char>(W * H, 200);
    std::vector<unsigned char> u = std::vector<unsigned char>(W * H / 4, 90);
    std::vector<unsigned char> v = std::vector<unsigned char>(W * H / 4, 90);
    void Draw(CKRXInfoPanel& panel) { panel.DrawIntoFrame(W, H, W, y.data(), u.data(), v.data(), 0); }
    unsigned char Y(int x, int row) const { return y[row * W + x]; }
};

const P::Lines Quarter { "1  Korrix One", "Now  16:00  Test Card", "Next 16:30  More", 250 };
} // namespace

TEST(KRXInfoPanel, DrawsOnlyWhileShownWithTextAndTheEventsProgress)
{
    CKRXInfoPanel panel;
    Frame untouched, frame;
    frame.Draw(panel);
    EXPECT_EQ(frame.y, untouched.y) << "hidden, it draws nothing";

    panel.Show(Quarter, 1000);
    frame.Draw(panel);
    const int top = H - P::Margin - P::BoxHeight;
    EXPECT_EQ(frame.Y(P::Margin - 1, top + 1), 200) << "left of the box";
    EXPECT_EQ(frame.Y(P::Margin, top - 1), 200) << "above the box";
    EXPECT_EQ(frame.Y(W - P::Margin - 1, H - P::Margin - 1), 50) << "the box darkens";
    EXPECT_EQ(frame.u[(top / 2 + 1) * (W / 2) + W / 4], 128) << "and greys";
    int lit = 0;
    for (int row = top + P::Padding; row < top + P::Padding + P::LineHeight; ++row)
        for (int x = P::Margin; x < W - P::Margin; ++x)
            lit += frame.Y(x, row) == 235;
    EXPECT_GT(lit, 100) << "the heading";

    // The bar's middle row: its outline, a quarter filled, then the box.
    const int barRow = top + P::Padding + 3 * P::LineHeight + P::BarHeight / 2;
    const int left = P::Margin + P::Padding, width = W - 2 * (P::Margin + P::Padding);
    EXPECT_EQ(frame.Y(left, barRow), 180);
    EXPECT_EQ(frame.Y(left + width / 4 - 1, barRow), 180);
    EXPECT_EQ(frame.Y(left + width / 4 + 1, barRow), 50);
    EXPECT_EQ(frame.Y(left + width - 1, barRow), 180);

    Frame small;
    small.y.assign(64 * 64, 200);
    panel.DrawIntoFrame(64, 64, 64, small.y.data(), small.u.data(), small.v.data(), 0);
    EXPECT_EQ(small.y, std::vector<unsigned char>(64 * 64, 200)) << "no room, no panel";
}

TEST(KRXInfoPanel, AZapShowsItForAWhileAndTheKeyUntilAskedAway)
{
    CKRXInfoPanel panel;
    panel.Show(Quarter, 1000);
    panel.OnTick(1000 + P::ShowMs - 1);
    EXPECT_TRUE(panel.IsShown());
    panel.OnTick(1000 + P::ShowMs);
    EXPECT_FALSE(panel.IsShown());

    panel.Toggle(Quarter);
    panel.OnTick(1000000);
    EXPECT_TRUE(panel.IsShown()) << "asked for, it stays";
    panel.Toggle(Quarter);
    EXPECT_FALSE(panel.IsShown());
    panel.Show(Quarter, 5000);
    panel.Toggle(Quarter);
    EXPECT_FALSE(panel.IsShown()) << "the key also takes away what a zap showed";

    panel.Show(Quarter, 5000, -1);
    panel.OnTick(1000000);
    EXPECT_TRUE(panel.IsShown()) << "a radio service keeps it";
}
