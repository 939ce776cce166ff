#include "viewing/KRXLogoLayer.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
struct Frame {
    Frame(int width, int height, int pitch, unsigned char luma)
        : width(width)
        , height(height)
        , pitch(pitch)
        , Y(pitch * height, luma)
        , U(pitch / 2 * height / 2, 128)
        , V(U)
    {
    }
    void Draw(CKRXLogoLayer& logo) { logo.DrawIntoFrame(width, height, pitch, Y.data(), U.data(), V.data(), 0); }
    int width, height, pitch;
    std::vector<unsigned char> Y, U, V;
};
} // namespace

TEST(LogoLayerTest, DarkensTheCornerBoxAndBrightensTheMarkInLumaOnly)
{
    CKRXLogoLayer logo;
    const std::vector<unsigned char>& mark = logo.GetBitmap();
    ASSERT_EQ(mark.size(), size_t(CKRXLogoLayer::Width * CKRXLogoLayer::Height));
    const int set = static_cast<int>(std::count_if(mark.begin(), mark.end(), [](unsigned char b) { return b != 0; }));
    EXPECT_GT(set, 200) << "the name is drawn";
    EXPECT_LT(set, int(mark.size()) / 2);

    // A pitch wider than the picture: rows are found by the pitch, not the width.
    Frame frame(720, 576, 768, 200);
    frame.Draw(logo);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.pitch; ++x) {
            const int r = y - CKRXLogoLayer::Top, c = x - CKRXLogoLayer::Left;
            const bool inBox = r >= 0 && r < CKRXLogoLayer::Height && c >= 0 && c < CKRXLogoLayer::Width;
            const int expected = !inBox ? 200 : mark[r * CKRXLogoLayer::Width + c] ? 200 / 2 + 64 : 200 / 3;
            ASSERT_EQ(frame.Y[y * frame.pitch + x], expected) << x << "," << y;
        }
    }
    EXPECT_EQ(std::count(frame.U.begin(), frame.U.end(), 128), long(frame.U.size()));
    EXPECT_EQ(std::count(frame.V.begin(), frame.V.end(), 128), long(frame.V.size()));
}

TEST(LogoLayerTest, DrawsOnlyWhatFitsIntoASmallPicture)
{
    CKRXLogoLayer logo;
    // Smaller than the box's corner, and smaller than the box itself.
    for (const auto& [width, height] : { std::pair { 16, 8 }, std::pair { 64, 24 }, std::pair { 134, 39 } }) {
        // The planes sit at the start of a larger block, so a write past the picture shows.
        std::vector<unsigned char> block(4 * 135 * 40, 77);
        std::vector<unsigned char> chroma(width * height / 2, 128);
        logo.DrawIntoFrame(width, height, width, block.data(), chroma.data(), chroma.data(), 0);
        EXPECT_TRUE(std::all_of(block.begin() + width * height, block.end(), [](unsigned char b) { return b == 77; }))
            << width << "x" << height;
        const bool touched
            = std::any_of(block.begin(), block.begin() + width * height, [](unsigned char b) { return b != 77; });
        EXPECT_EQ(touched, width > CKRXLogoLayer::Left && height > CKRXLogoLayer::Top) << width << "x" << height;
    }
}
