// Field pictures woven into frames: each field's rows land on its own
// parity, the first field of a pair names the order, and a field whose
// partner never comes is dropped rather than paired with the wrong one.
#include "DVBFieldWeaver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A 4x2 field whose every byte is its mark.
struct SField {
    explicit SField(unsigned char mark, int64_t time)
        : bytes(4 * 2 * 3 / 2, mark)
    {
        picture.width = 4;
        picture.height = 2;
        picture.Y = bytes.data();
        picture.U = bytes.data() + 8;
        picture.V = bytes.data() + 10;
        picture.time = time;
    }
    std::vector<unsigned char> bytes;
    SDVBPicture picture;
};

// The mark of each luma row, then of each chroma row of both planes.
std::vector<int> RowMarks(const SDVBPicture& frame)
{
    std::vector<int> marks;
    for (int row = 0; row < frame.height; ++row)
        marks.push_back(frame.Y[row * frame.width]);
    for (const unsigned char* plane : { frame.U, frame.V })
        for (int row = 0; row < frame.height / 2; ++row)
            marks.push_back(plane[row * frame.width / 2]);
    return marks;
}
} // namespace

TEST(FieldWeaver, PairsOppositeFieldsInEitherOrderAndDropsALoneOne)
{
    CDVBFieldWeaver weaver;
    SDVBPicture frame;
    const SField lone(9, 100), top(1, 200), bottom(2, 300);
    EXPECT_FALSE(weaver.Add(lone.picture, true, frame));
    EXPECT_FALSE(weaver.Add(top.picture, true, frame)) << "two top fields make no frame";
    ASSERT_TRUE(weaver.Add(bottom.picture, false, frame));
    EXPECT_EQ(frame.width, 4);
    EXPECT_EQ(frame.height, 4);
    EXPECT_EQ(frame.time, 200);
    EXPECT_TRUE(frame.interlaced);
    EXPECT_TRUE(frame.topFieldFirst);
    EXPECT_EQ(RowMarks(frame), (std::vector<int> { 1, 2, 1, 2, 1, 2, 1, 2 }));

    const SField first(5, 400), second(6, 500);
    EXPECT_FALSE(weaver.Add(first.picture, false, frame));
    ASSERT_TRUE(weaver.Add(second.picture, true, frame));
    EXPECT_FALSE(frame.topFieldFirst) << "the bottom field came first";
    EXPECT_EQ(frame.time, 400);
    EXPECT_EQ(RowMarks(frame), (std::vector<int> { 6, 5, 6, 5, 6, 5, 6, 5 }));

    EXPECT_FALSE(weaver.Add(first.picture, false, frame));
    weaver.Reset();
    EXPECT_FALSE(weaver.Add(second.picture, true, frame)) << "a flush forgets the waiting field";
}
