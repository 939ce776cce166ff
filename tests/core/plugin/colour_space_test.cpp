// The colour space a picture is shown in: the stream's declaration, else its size.
#include "plugin/DVBColourSpace.h"

#include <gtest/gtest.h>

TEST(ColourSpace, TheDeclaredMatrixWinsAndAnUndeclaredOneFollowsThePictureSize)
{
    constexpr auto BT601 = DVBColourMatrix::BT601;
    constexpr auto BT709 = DVBColourMatrix::BT709;
    struct Case {
        int code;
        int width, height;
        DVBColourMatrix matrix;
    };
    const Case cases[] = {
        { -1, 720, 576, BT601 }, { -1, 1920, 1080, BT709 }, { -1, 1280, 720, BT709 }, { -1, 960, 540, BT709 },
        { 2, 720, 480, BT601 }, // unspecified
        { 1, 720, 576, BT709 }, { 5, 1920, 1080, BT601 }, { 6, 1920, 1080, BT601 }, { 4, 1920, 1080, BT601 },
        { 7, 720, 576, BT709 }, { 9, 720, 576, BT709 }, { 0, 720, 576, BT601 }, // RGB: nothing to go by
    };
    for (const Case& c : cases) {
        const SDVBColourSpace space = DVBDeclaredColourSpace(c.code, c.code == 6, c.width, c.height);
        EXPECT_EQ(space.matrix, c.matrix) << "code " << c.code << " at " << c.width << "x" << c.height;
        EXPECT_EQ(space.fullRange, c.code == 6);
    }
}
