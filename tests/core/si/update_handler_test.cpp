#include "si/DVBStandardTSUpdateHandler.h"

#include <gtest/gtest.h>

TEST(DVBStandardTSUpdateHandler, QueuesUpdatesInArrivalOrderWithoutMerging)
{
    CDVBStandardTSUpdateHandler handler;
    EXPECT_FALSE(handler.HaveUpdatesOccurred());
    CDVBTransportStreamUpdateHandler& asBase = handler;
    asBase.OnServiceInformationUpdate(3, DVB_UPDATE_PMT);
    asBase.OnServiceInformationUpdate(3, DVB_UPDATE_PMT);
    asBase.OnServiceInformationUpdate(1, DVB_UPDATE_SDT);
    EXPECT_TRUE(handler.HaveUpdatesOccurred());

    unsigned short id = 0;
    int type = 0;
    ASSERT_TRUE(handler.RemoveUpdate(id, type));
    EXPECT_EQ(id, 3);
    EXPECT_EQ(type, DVB_UPDATE_PMT);
    ASSERT_TRUE(handler.RemoveUpdate(id, type));
    EXPECT_EQ(id, 3);
    EXPECT_TRUE(handler.HaveUpdatesOccurred());
    ASSERT_TRUE(handler.RemoveUpdate(id, type));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(type, DVB_UPDATE_SDT);
    EXPECT_FALSE(handler.HaveUpdatesOccurred());
}

TEST(DVBStandardTSUpdateHandler, RemovingFromAnEmptyQueueLeavesTheArguments)
{
    CDVBStandardTSUpdateHandler handler;
    unsigned short id = 77;
    int type = 88;
    EXPECT_FALSE(handler.RemoveUpdate(id, type));
    EXPECT_EQ(id, 77);
    EXPECT_EQ(type, 88);
}

TEST(DVBStandardTSUpdateHandler, ClearDiscardsEverything)
{
    CDVBStandardTSUpdateHandler handler;
    handler.OnServiceInformationUpdate(1, DVB_UPDATE_PAT);
    handler.OnServiceInformationUpdate(2, DVB_UPDATE_EIT);
    handler.ClearUpdates();
    EXPECT_FALSE(handler.HaveUpdatesOccurred());
    unsigned short id;
    int type;
    EXPECT_FALSE(handler.RemoveUpdate(id, type));
}
