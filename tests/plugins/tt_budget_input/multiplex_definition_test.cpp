#include "KRXTTMultiplexDefinition.h"
#include "MemoryCard.h"

#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

namespace {
using Definition = CKRXTTMultiplexDefinition;

TEST(TTChannelRule, ChannelsAndOffsetsGiveTheirFrequencies)
{
    EXPECT_EQ(Definition::ChannelToFrequency(21, Definition::OffsetNone), 474000u);
    EXPECT_EQ(Definition::ChannelToFrequency(69, Definition::OffsetNone), 858000u);
    EXPECT_EQ(Definition::ChannelToFrequency(50, Definition::OffsetMinus), 705833u);
    EXPECT_EQ(Definition::ChannelToFrequency(50, Definition::OffsetPlus), 706167u);
}

TEST(TTChannelRule, FrequenciesReadBackAsChannelAndOffset)
{
    struct Case {
        uint32_t frequency;
        int channel, offset;
    };
    for (const Case& c : { Case { 705833, 50, Definition::OffsetMinus }, Case { 706167, 50, Definition::OffsetPlus },
             Case { 474000, 21, Definition::OffsetNone }, Case { 174000, 0, Definition::OffsetNone } }) {
        int channel = -1, offset = -1;
        Definition::FrequencyToChannel(c.frequency, channel, offset);
        EXPECT_EQ(channel, c.channel) << c.frequency;
        EXPECT_EQ(offset, c.offset) << c.frequency;
    }
}

TEST(TTChannelRule, StepsMinusNonePlusThenTheNextChannel)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    definition.m_channel = 21;
    definition.m_offset = Definition::OffsetNone;
    const uint32_t expected[] = { 474167, 481833, 482000, 482167 };
    for (const uint32_t frequency : expected) {
        definition.StepToNextFrequency();
        EXPECT_EQ(definition.m_frequency, frequency);
    }
    EXPECT_EQ(definition.GetChannelText(), "22+");
}

TEST(TTTerrestrialFields, ChannelTextWithAndWithoutOffset)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    EXPECT_TRUE(definition.ReadFieldFromString(1, "50+"));
    EXPECT_EQ(definition.m_channel, 50);
    EXPECT_EQ(definition.m_offset, Definition::OffsetPlus);
    EXPECT_TRUE(definition.ReadFieldFromString(1, "05-"));
    EXPECT_EQ(definition.m_channel, 5);
    EXPECT_EQ(definition.m_offset, Definition::OffsetMinus);
    EXPECT_TRUE(definition.ReadFieldFromString(1, "50"));
    EXPECT_EQ(definition.m_offset, Definition::OffsetNone);
    EXPECT_FALSE(definition.ReadFieldFromString(1, "50x"));
    EXPECT_EQ(definition.m_offset, Definition::OffsetNone);
}

TEST(TTTerrestrialFields, LineRoundTripsAndBandwidthCodes)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    ASSERT_TRUE(definition.ReadFromString("BBC A, 21-, 473833, AUTO, 6mhz"));
    EXPECT_EQ(definition.m_frequency, 473833u);
    EXPECT_EQ(definition.m_inversion, 2);
    EXPECT_EQ(definition.m_bandwidth, 0);
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "BBC A, 21-, 473833, auto, 6MHz, DVB-T, 0");
    // Auto and none have no word in the file: they are kept as 8 MHz.
    for (const int code : { 3, 4 }) {
        definition.m_bandwidth = code;
        CString text;
        definition.WriteFieldToString(4, text);
        EXPECT_EQ(text, "8MHz");
    }
    EXPECT_FALSE(definition.ReadFieldFromString(4, "9MHz"));
    EXPECT_FALSE(definition.ReadFieldFromString(3, "maybe"));
}

TEST(TTFields, DefaultsAndFieldNamesFollowTheFrontendType)
{
    Definition terrestrial(KRX_TT_FRONTEND_DVBT), satellite(KRX_TT_FRONTEND_DVBS), none(KRX_TT_FRONTEND_NONE);
    EXPECT_EQ(terrestrial.m_frequency, 706000u);
    EXPECT_EQ(terrestrial.GetRequiredFieldCount(), 5);
    EXPECT_EQ(terrestrial.GetFieldName(2), "Frequency");
    EXPECT_EQ(satellite.m_frequency, 10744u);
    EXPECT_EQ(satellite.GetRequiredFieldCount(), 9);
    EXPECT_EQ(satellite.GetFieldName(8), "Local Oscillator Frequency");
    EXPECT_EQ(none.GetRequiredFieldCount(), 0);
    CString line;
    satellite.WriteToString(line);
    EXPECT_EQ(line, ", 10744, horz, 22000, 5/6, auto, 0, off, 9750, DVB-S, QPSK, 0.35, none, none");
    Definition copy(KRX_TT_FRONTEND_DVBS);
    ASSERT_TRUE(copy.ReadFromString("Astra, 11954, VERT, 27500, 3/4, off, 1, on, 10000"));
    EXPECT_EQ(copy.m_powerType, 13);
    EXPECT_EQ(copy.m_viterbi, 3);
    EXPECT_EQ(copy.m_lnbType, 1);
    EXPECT_EQ(copy.m_powerModulation, 1);
    EXPECT_EQ(copy.m_localOscillator, 10000u);
}

class TTTuning : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = SetDebugOutputSink([this](const CString& text) { m_debug += text; });
    }
    void TearDown() override { SetDebugOutputSink(m_previous); }

    // Tunes a universal-LNB satellite definition on a tuner of 950 to 2150 MHz.
    bool TuneSatellite(uint32_t megahertz)
    {
        m_card.frontendType = KRX_TT_FRONTEND_DVBS;
        m_card.frequencyLow = 950000;
        m_card.frequencyHigh = 2150000;
        Definition definition(KRX_TT_FRONTEND_DVBS);
        definition.m_frequency = megahertz;
        return definition.Tune(m_card);
    }

    CMemoryCard m_card;
    CString m_debug;
    DebugOutputSink m_previous;
};

TEST_F(TTTuning, HighBandTakesTheHighOscillatorAndTheTone)
{
    EXPECT_TRUE(TuneSatellite(12000));
    ASSERT_EQ(m_card.channels.size(), 1u);
    const KRXTTChannel& channel = m_card.channels[0];
    EXPECT_EQ(channel.frequency, 1400000u);
    EXPECT_EQ(channel.tone, 1u);
    EXPECT_EQ(channel.voltage, 18u);
    EXPECT_EQ(channel.symbolRate, 22000000u);
    EXPECT_EQ(channel.viterbi, 5u);
    EXPECT_NE(m_debug.find("Using high band - adjusted frequency is 1400MHz.\n"), CString::npos);
}

TEST_F(TTTuning, HighBandBelowTheTunerFallsBackToTheLowBand)
{
    // 10700 - 10600 = 100 MHz is below the tuner; 10700 - 9750 = 950 is its lowest.
    EXPECT_TRUE(TuneSatellite(10700));
    EXPECT_EQ(m_card.channels.back().frequency, 950000u);
    EXPECT_EQ(m_card.channels.back().tone, 0u);
}

TEST_F(TTTuning, OutOfRangeFrequenciesAreInvalidButStillTuned)
{
    EXPECT_FALSE(TuneSatellite(9000));
    ASSERT_EQ(m_card.channels.size(), 1u);
    EXPECT_EQ(m_card.channels[0].frequency, 9000000u);
    EXPECT_NE(m_debug.find("Error - frequency too low.\n"), CString::npos);
    // 13000 - 10600 = 2400 MHz is above the tuner.
    EXPECT_FALSE(TuneSatellite(13000));
    EXPECT_EQ(m_card.channels.size(), 2u);
    EXPECT_NE(m_debug.find("Error - frequency too high.\n"), CString::npos);
}

TEST_F(TTTuning, OtherLNBSubtractsItsOscillatorAndUsesItsOwnTone)
{
    m_card.frontendType = KRX_TT_FRONTEND_DVBS;
    m_card.frequencyLow = 950000;
    m_card.frequencyHigh = 2150000;
    Definition definition(KRX_TT_FRONTEND_DVBS);
    definition.m_lnbType = Definition::OtherLNB;
    definition.m_frequency = 11000;
    definition.m_localOscillator = 10000;
    definition.m_powerModulation = 1;
    definition.m_powerType = 7; // neither 13 nor 18: no supply
    EXPECT_TRUE(definition.Tune(m_card));
    EXPECT_EQ(m_card.channels.back().frequency, 1000000u);
    EXPECT_EQ(m_card.channels.back().tone, 1u);
    EXPECT_EQ(m_card.channels.back().voltage, 0u);
    // Below its oscillator nothing can be received; the difference must not wrap round.
    definition.m_frequency = 9000;
    EXPECT_FALSE(definition.Tune(m_card));
    EXPECT_EQ(m_card.channels.back().frequency, 9000000u);
}

TEST_F(TTTuning, TerrestrialInversionAndBandwidthFollowTheCapabilities)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    definition.m_bandwidth = 1;
    definition.m_inversion = 0;
    definition.m_extra = 77;
    EXPECT_TRUE(definition.Tune(m_card));
    EXPECT_EQ(m_card.channels.back().frequency, 706000u);
    EXPECT_EQ(m_card.channels.back().bandwidth, 1u);
    EXPECT_EQ(m_card.channels.back().inversion, 0u);
    EXPECT_EQ(m_card.channels.back().symbolRate, 77u);
    m_card.bandwidthLow = m_card.bandwidthHigh = 2;
    definition.Tune(m_card);
    EXPECT_EQ(m_card.channels.back().bandwidth, 2u);
    m_card.capabilities = KRX_TT_CAN_INVERSION_AUTO | KRX_TT_CAN_BANDWIDTH_AUTO;
    definition.Tune(m_card);
    EXPECT_EQ(m_card.channels.back().bandwidth, 3u);
    EXPECT_EQ(m_card.channels.back().inversion, 2u);
}
} // namespace
