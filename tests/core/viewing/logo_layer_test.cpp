#include "viewing/KRXLogoLayer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

TEST(LogoLayerTest, DarkensTheCornerBoxAndBrightensTheMarkInLumaOnly)
{
    CKRXLogoLayer logo;
    const std::vector<unsigned char>& mark = logo.GetBitmap();
    const long set = std::count_if(mark.begin(), mark.end(), [](unsigned char b) { return b != 0; });
    EXPECT_GT(set, 200) << "the name is drawn";
    EXPECT_LT(set, long(mark.size()) / 2);

    // A pitch wider than the picture: rows are found by the pitch.
    const int width = 720, height = 576, pitch = 768;
    std::vector<unsigned char> Y(pitch * height, 200), chroma(pitch / 2 * height / 2, 128);
    logo.DrawIntoFrame(width, height, pitch, Y.data(), chroma.data(), chroma.data(), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < pitch; ++x) {
            const int r = y - CKRXLogoLayer::Top, c = x - CKRXLogoLayer::Left;
            const bool inBox = r >= 0 && r < CKRXLogoLayer::Height && c >= 0 && c < CKRXLogoLayer::Width;
            const int expected = !inBox ? 200 : mark[r * CKRXLogoLayer::Width + c] ? 200 / 2 + 64 : 200 / 3;
            ASSERT_EQ(Y[y * pitch + x], expected) << x << "," << y;
        }
    }
    EXPECT_EQ(std::count(chroma.begin(), chroma.end(), 128), long(chroma.size()));
}

TEST(LogoLayerTest, DrawsOnlyWhatFitsIntoASmallPicture)
{
    CKRXLogoLayer logo;
    for (const auto& [width, height] : { std::pair { 16, 8 }, std::pair { 64, 24 }, std::pair { 134, 39 } }) {
        // The picture sits at the start of a larger block, so a write past it shows.
        std::vector<unsigned char> block(4 * 135 * 40, 77), chroma(width * height / 2, 128);
        logo.DrawIntoFrame(width, height, width, block.data(), chroma.data(), chroma.data(), 0);
        const auto end = block.begin() + width * height;
        EXPECT_TRUE(std::all_of(end, block.end(), [](unsigned char b) { return b == 77; })) << width;
        const bool drawn = std::any_of(block.begin(), end, [](unsigned char b) { return b != 77; });
        EXPECT_EQ(drawn, width > CKRXLogoLayer::Left && height > CKRXLogoLayer::Top) << width;
    }
}

TEST(LogoLayerTest, TakesAMarkOfItsOwnSizeOnly)
{
    CKRXLogoLayer logo;
    const std::vector<unsigned char> builtIn = logo.GetBitmap();
    EXPECT_FALSE(logo.SetBitmap(std::vector<unsigned char>(CKRXLogoLayer::Width * (CKRXLogoLayer::Height - 1), 1)));
    EXPECT_EQ(logo.GetBitmap(), builtIn);

    // Lit only in the box's first column.
    std::vector<unsigned char> mark(CKRXLogoLayer::Width * CKRXLogoLayer::Height, 0);
    for (int r = 0; r < CKRXLogoLayer::Height; ++r)
        mark[r * CKRXLogoLayer::Width] = 255;
    ASSERT_TRUE(logo.SetBitmap(mark));
    const int width = 160, height = 48;
    std::vector<unsigned char> Y(width * height, 90), chroma(width * height / 4, 128);
    logo.DrawIntoFrame(width, height, width, Y.data(), chroma.data(), chroma.data(), 0);
    const int top = CKRXLogoLayer::Top * width;
    EXPECT_EQ(Y[top + CKRXLogoLayer::Left], 90 / 2 + 64);
    EXPECT_EQ(Y[top + CKRXLogoLayer::Left + 1], 90 / 3);
}
