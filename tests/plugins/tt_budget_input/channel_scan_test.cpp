#include "KRXTTChannelScan.h"
#include "MemoryCard.h"

#include "plugin/KRXInputPlugin.h"

#include <gtest/gtest.h>

namespace {
class TTChannelScan : public ::testing::Test
{
protected:
    // Channels 21 and 22 and a little beyond: 474000 .. 484000 kHz.
    TTChannelScan()
    {
        m_card.frequencyLow = 474000;
        m_card.frequencyHigh = 484000;
    }
    ~TTChannelScan() override { m_plugin.DeleteAllMultiplexDefinitions(); }

    void RunToTheEnd(CKRXTTChannelScan& scan)
    {
        for (int tick = 0; tick < 1000 && !scan.IsDone(); ++tick)
            scan.Tick();
    }

    CMemoryCard m_card;
    CKRXInputPlugin m_plugin;
};

TEST_F(TTChannelScan, TriesEachOffsetForFiveTicksAndFindsWhatLocks)
{
    m_card.lockingFrequencies = { 481833, 482000 };
    CKRXTTChannelScan scan(m_card, m_plugin);
    EXPECT_EQ(scan.GetProgressRange(), 3);
    scan.Tick();
    // The first try is the step after the range's lower end (21, no offset).
    EXPECT_EQ(scan.GetStatusText(), "Channel 21+ (frequency 474167)...\n");
    EXPECT_EQ(scan.GetProgressPosition(), 1);
    for (int tick = 1; tick < CKRXTTChannelScan::TicksPerFrequency; ++tick)
        scan.Tick();
    EXPECT_EQ(m_card.channels.size(), 1u);
    RunToTheEnd(scan);
    EXPECT_EQ(scan.GetStatusText(), "Done");
    // 474167, 481833, 482000, 482167 tuned; 482167 + 7666 passes the end.
    EXPECT_EQ(m_card.channels.size(), 4u);
    ASSERT_EQ(scan.GetFound().size(), 2u);
    const auto rows = scan.GetFoundRows();
    EXPECT_EQ(rows[0], (std::vector<CString> { "1", "22-", "481833" }));
    EXPECT_EQ(rows[1], (std::vector<CString> { "2", "22 ", "482000" }));
}

TEST_F(TTChannelScan, ALockSeenOnSeveralTicksIsListedOnce)
{
    m_card.lockingFrequencies = { 474167 };
    CKRXTTChannelScan scan(m_card, m_plugin);
    for (int tick = 0; tick < CKRXTTChannelScan::TicksPerFrequency; ++tick)
        scan.Tick();
    EXPECT_EQ(scan.GetFound().size(), 1u);
}

TEST_F(TTChannelScan, CommitAddsNumberedMultiplexes)
{
    m_card.lockingFrequencies = { 474167, 482000 };
    CKRXTTChannelScan scan(m_card, m_plugin);
    RunToTheEnd(scan);
    scan.Commit();
    ASSERT_EQ(m_plugin.GetMultiplexDefinitionCount(), 2);
    CString line;
    m_plugin.GetMultiplexDefinitionAtIndex(1)->WriteToString(line);
    EXPECT_EQ(line, "Mux 2, 22 , 482000, off, 8MHz, DVB-T, 0");
    m_plugin.GetMultiplexDefinitionAtIndex(0)->WriteToString(line);
    EXPECT_EQ(line, "Mux 1, 21+, 474167, off, 8MHz, DVB-T, 0");
}
} // namespace
