#include "plugin/KRXAVOffset.h"
#include "plugin/KRXReceptionStatus.h"

#include <gtest/gtest.h>

TEST(ReceptionStatus, FollowsTheReceiverThroughItsFirstSecondsAndDataLoss)
{
    EXPECT_EQ(FormatReceptionStatus(0, true, 24128512, "1.00% complete", {}), "Looking for service information...");
    EXPECT_EQ(FormatReceptionStatus(1, true, 24128512, "12.34% complete", {}),
        "Data is being received at 24.13 megabits per second [12.34% complete]");
    EXPECT_EQ(FormatReceptionStatus(2, true, 4000000, "", {}), "Data is being received at 4.00 megabits per second");
    EXPECT_EQ(FormatReceptionStatus(3, false, 24128512, "file not opened", {}), "No data is being received 3.");
}

TEST(ReceptionStatus, ShowsTheStreamErrorsOnlyWhenThereWereAny)
{
    CDVBErrorCounts errors;
    errors.bytesSkipped = 40; // skipped bytes come with a sync loss, never alone
    EXPECT_EQ(FormatErrorCounts(errors), "");
    EXPECT_EQ(
        FormatReceptionStatus(2, true, 4000000, "", errors), "Data is being received at 4.00 megabits per second");

    errors = { 3, 1, 1, 187, 2 };
    EXPECT_EQ(FormatErrorCounts(errors),
        "3 continuity errors, 1 transport error, 1 sync loss (187 bytes skipped), 2 CRC errors");
    EXPECT_EQ(FormatReceptionStatus(2, true, 4000000, "50.00% complete", errors),
        "Data is being received at 4.00 megabits per second [50.00% complete] - 3 continuity errors, 1 transport "
        "error, 1 sync loss (187 bytes skipped), 2 CRC errors");

    errors = { 0, 0, 2, 1, 0 };
    EXPECT_EQ(FormatReceptionStatus(5, false, 0, "", errors),
        "No data is being received 5. - 2 sync losses (1 byte skipped)");
}

TEST(AVOffset, IsShownInMillisecondsUpToAFewSecondsAndBeyondThatOnlyAsOutOfStep)
{
    EXPECT_EQ(FormatAVOffset(2.5), "A/V +2.5 ms");
    EXPECT_EQ(FormatAVOffset(-4999.96), "A/V -5000.0 ms");
    EXPECT_EQ(FormatAVOffset(5639819.4), "A/V out of step");
    EXPECT_EQ(FormatAVOffset(-5000.1), "A/V out of step");
}

TEST(AVOffset, IsTheSoundsMeanLatenessLessThePicturesOverEachInterval)
{
    double offset = 0;
    CKRXAVOffset::Take(offset); // whatever earlier tests left
    CKRXAVOffset::AddVideo(90);
    EXPECT_FALSE(CKRXAVOffset::Take(offset)) << "no sound yet";
    EXPECT_FALSE(CKRXAVOffset::Take(offset)) << "the picture's report went with the last interval";

    CKRXAVOffset::AddVideo(90); // pictures 1 and 3 ms late, sound 4.5 ms on average
    CKRXAVOffset::AddVideo(270);
    CKRXAVOffset::AddAudio(360);
    CKRXAVOffset::AddAudio(450);
    ASSERT_TRUE(CKRXAVOffset::Take(offset));
    EXPECT_DOUBLE_EQ(offset, 2.5);

    CKRXAVOffset::AddVideo(900); // sound ahead of the picture
    CKRXAVOffset::AddAudio(-90);
    ASSERT_TRUE(CKRXAVOffset::Take(offset));
    EXPECT_DOUBLE_EQ(offset, -11.0);
}
