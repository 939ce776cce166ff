#include "plugin/KRXReceptionStatus.h"

#include <gtest/gtest.h>

TEST(ReceptionStatus, FollowsTheReceiverThroughItsFirstSecondsAndDataLoss)
{
    EXPECT_EQ(FormatReceptionStatus(0, true, 24128512, "1.00% complete"), "Looking for service information...");
    EXPECT_EQ(FormatReceptionStatus(1, true, 24128512, "12.34% complete"),
        "Data is being received at 24.13 megabits per second [12.34% complete]");
    EXPECT_EQ(FormatReceptionStatus(2, true, 4000000, ""), "Data is being received at 4.00 megabits per second");
    EXPECT_EQ(FormatReceptionStatus(3, false, 24128512, "file not opened"), "No data is being received 3.");
}
