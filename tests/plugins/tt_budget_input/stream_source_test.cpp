#include "KRXTTStreamSource.h"
#include "MemoryCard.h"

#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

namespace {
class TTSource : public ::testing::Test
{
protected:
    TTSource()
        : m_definition(KRX_TT_FRONTEND_DVBT)
        , m_source(&m_card, m_definition)
    {
        m_previous = SetDebugOutputSink([](const CString&) {});
        m_card.lockedSignal.strength = -45500;
        m_card.lockedSignal.carrierToNoise = 28300;
        m_card.lockedSignal.bitErrorRate = 0;
        m_card.lockedSignal.uncorrectedBlocks = 0;
    }
    ~TTSource() override { SetDebugOutputSink(m_previous); }

    CString Status()
    {
        CString text;
        m_source.GetStatus(text);
        return text;
    }

    CMemoryCard m_card;
    CKRXTTMultiplexDefinition m_definition;
    CKRXTTStreamSource m_source;
    unsigned char m_buffer[CKRXTTStreamSource::SuggestedBufferSize];
    DebugOutputSink m_previous;
};

// Opening does not wait for lock: the receive thread does, reading nothing
// from the card meanwhile, and the status says so until the card locks.
TEST_F(TTSource, TuningWaitsOnTheReceiveThreadAndSaysSo)
{
    EXPECT_TRUE(m_source.Initialise());
    ASSERT_TRUE(m_source.Start());
    m_card.reads = { CMemoryCard::Data(188) };
    EXPECT_EQ(Status(), "Tuning...");
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_card.readCalls, 0);
    EXPECT_EQ(Status(), "Tuning...");

    m_card.lockingFrequencies.insert(706000);
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 188u);
    EXPECT_EQ(Status(), "Lock, -45.5 dBm, C/N 28.3 dB, BER 0, UCB 0");
    // A lock lost later is no tuning: reception goes on and waits for it.
    m_card.lockingFrequencies.clear();
    EXPECT_EQ(Status(), "no lock");
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_card.readCalls, 2);
}

TEST_F(TTSource, MeasuresTheFrontendLacksAreLeftOut)
{
    m_card.lockingFrequencies.insert(706000);
    m_source.Initialise();
    m_card.lockedSignal.strength.reset();
    m_card.lockedSignal.uncorrectedBlocks.reset();
    m_card.lockedSignal.bitErrorRate = 2.5e-5;
    EXPECT_EQ(Status(), "Lock, C/N 28.3 dB, BER 2.5e-05");
}

TEST_F(TTSource, OverflowIsCountedAndReceptionGoesOn)
{
    m_card.lockingFrequencies.insert(706000);
    m_source.Initialise();
    ASSERT_TRUE(m_source.Start());
    m_card.reads = { CMemoryCard::Data(1880), CMemoryCard::Overflow(), CMemoryCard::Data(376) };
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 1880u);
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 376u);
    EXPECT_EQ(m_source.GetOverflowCount(), 1u);
    EXPECT_FALSE(m_source.HasEnded());
    EXPECT_EQ(Status(), "Lock, -45.5 dBm, C/N 28.3 dB, BER 0, UCB 0, 1 overflow");
}

// The receive thread comes back at once for what a full read or an overflow
// left in the card, and otherwise lets packets gather rather than asking
// every millisecond.
TEST_F(TTSource, AFullReadOrAnOverflowIsFollowedAtOnceAndAShortOneAfterAWhile)
{
    m_card.lockingFrequencies.insert(706000);
    m_source.Initialise();
    ASSERT_TRUE(m_source.Start());
    m_card.reads = { CMemoryCard::Data(sizeof m_buffer), CMemoryCard::Data(376), CMemoryCard::Overflow() };
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), sizeof m_buffer);
    EXPECT_EQ(m_source.GetMillisecondsUntilDue(), 0u);
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 376u);
    const uint32_t gather = m_source.GetMillisecondsUntilDue();
    EXPECT_GE(gather, 5u);
    EXPECT_LE(gather, 20u) << "the PCRs' arrival times need reads a few times a frame";
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_source.GetMillisecondsUntilDue(), 0u) << "what piled up after an overflow is read at once";
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_source.GetMillisecondsUntilDue(), gather) << "an empty card is not asked every millisecond";
}

TEST_F(TTSource, ARemovedCardEndsTheStreamForGood)
{
    m_card.lockingFrequencies.insert(706000);
    m_source.Initialise();
    m_source.Start();
    m_card.reads = { CMemoryCard::Data(188), CMemoryCard::Failure("the card was removed"), CMemoryCard::Data(188) };
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 188u);
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_TRUE(m_source.HasEnded());
    EXPECT_EQ(Status(), "reception ended: the card was removed");
    // The card is not read again, nor started again.
    EXPECT_EQ(m_source.ReadBuffer(m_buffer, sizeof m_buffer), 0u);
    EXPECT_EQ(m_card.readCalls, 2);
    m_source.Stop();
    EXPECT_FALSE(m_source.Start());
    EXPECT_FALSE(m_card.streaming);
}
} // namespace
