// Second-generation systems and cable: their definitions, what tuning them
// asks of a Linux frontend (through the in-memory card), and the status text.
#include "KRXTTFrontendSteps.h"
#include "KRXTTMultiplexDefinition.h"
#include "KRXTTSignalStatus.h"
#include "MemoryCard.h"

#include <linux/dvb/frontend.h>

#include <gtest/gtest.h>
#include <map>

namespace {
using Definition = CKRXTTMultiplexDefinition;

CString LineOf(Definition& definition)
{
    CString line;
    definition.WriteToString(line);
    return line;
}

TEST(TTDefinitionFiles, TodaysLinesReadAsFirstGenerationAndNewLinesRoundTrip)
{
    Definition terrestrial(KRX_TT_FRONTEND_DVBT);
    ASSERT_TRUE(terrestrial.ReadFromString("BBC A, 21-, 473833, auto, 7MHz"));
    EXPECT_EQ(terrestrial.m_system, KRX_TT_DVBT);
    EXPECT_EQ(terrestrial.m_bandwidth, static_cast<int>(KRX_TT_BANDWIDTH_7MHZ));
    Definition satellite(KRX_TT_FRONTEND_DVBS);
    ASSERT_TRUE(satellite.ReadFromString("Astra, 11954, vert, 27500, 3/4, auto, 0, off, 9750"));
    EXPECT_EQ(satellite.m_system, KRX_TT_DVBS);
    EXPECT_EQ(satellite.m_diseqcPort, -1);
    EXPECT_EQ(satellite.m_streamId, -1);

    struct Case {
        int frontendType;
        const char* line;
    };
    for (const Case& c : { Case { KRX_TT_FRONTEND_DVBT, "HD, 35 , 586000, auto, 1.7MHz, DVB-T2, 3" },
             Case { KRX_TT_FRONTEND_DVBT, "Nordic, 21 , 474000, off, 10MHz, DVB-T2, 0" },
             Case { KRX_TT_FRONTEND_DVBS, "HD, 11914, horz, 27500, 8/9, auto, 0, off, 9750, DVB-S2, 8PSK, 0.20, 5, C" },
             Case { KRX_TT_FRONTEND_DVBC, "Cable, 346000, 6900, QAM256, auto" } }) {
        Definition definition(c.frontendType);
        definition.ReadFromString(c.line);
        EXPECT_EQ(LineOf(definition), c.line);
    }
    Definition wrong(KRX_TT_FRONTEND_DVBS);
    EXPECT_FALSE(wrong.ReadFieldFromString(9, "DVB-T2"));
    EXPECT_FALSE(wrong.ReadFieldFromString(13, "E"));
    EXPECT_FALSE(wrong.ReadFieldFromString(11, "0.15"));
}

// The properties of the last step: the one that tunes.
std::map<uint32_t, uint32_t> TuningProperties(const std::vector<KRXTTFrontendStep>& steps)
{
    EXPECT_EQ(steps.back().kind, KRXTTFrontendStep::Properties);
    std::map<uint32_t, uint32_t> properties(steps.back().properties.begin(), steps.back().properties.end());
    EXPECT_EQ(properties.size(), steps.back().properties.size()) << "a property set twice";
    return properties;
}

class TTSecondGenerationTuning : public ::testing::Test
{
protected:
    std::map<uint32_t, uint32_t> Tune(Definition& definition)
    {
        definition.Tune(m_card);
        return TuningProperties(BuildFrontendSteps(m_card.channels.back()));
    }
    CMemoryCard m_card;
};

TEST_F(TTSecondGenerationTuning, T2TakesItsPLPAndBandwidth)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    ASSERT_TRUE(definition.ReadFromString("HD, 35 , 586000, auto, 10MHz, DVB-T2, 3"));
    auto properties = Tune(definition);
    EXPECT_EQ(properties[DTV_DELIVERY_SYSTEM], SYS_DVBT2);
    EXPECT_EQ(properties[DTV_FREQUENCY], 586000000u);
    EXPECT_EQ(properties[DTV_BANDWIDTH_HZ], 10000000u);
    EXPECT_EQ(properties[DTV_STREAM_ID], 3u);
    definition.m_bandwidth = KRX_TT_BANDWIDTH_1_7MHZ;
    EXPECT_EQ(Tune(definition)[DTV_BANDWIDTH_HZ], 1712000u);
    // First generation knows no PLP.
    definition.m_system = KRX_TT_DVBT;
    properties = Tune(definition);
    EXPECT_EQ(properties[DTV_DELIVERY_SYSTEM], SYS_DVBT);
    EXPECT_EQ(properties.count(DTV_STREAM_ID), 0u);
}

TEST_F(TTSecondGenerationTuning, S2TakesModulationRollOffAndPilots)
{
    m_card.frontendType = KRX_TT_FRONTEND_DVBS;
    m_card.frequencyLow = 950000;
    m_card.frequencyHigh = 2150000;
    Definition definition(KRX_TT_FRONTEND_DVBS);
    ASSERT_TRUE(
        definition.ReadFromString("HD, 11914, horz, 27500, auto, auto, 0, off, 9750, DVB-S2, 8PSK, 0.20, none, none"));
    auto properties = Tune(definition);
    EXPECT_EQ(properties[DTV_DELIVERY_SYSTEM], SYS_DVBS2);
    EXPECT_EQ(properties[DTV_FREQUENCY], 1314000u); // above the high band's 10600 MHz oscillator
    EXPECT_EQ(properties[DTV_SYMBOL_RATE], 27500000u);
    EXPECT_EQ(properties[DTV_MODULATION], PSK_8);
    EXPECT_EQ(properties[DTV_ROLLOFF], ROLLOFF_20);
    EXPECT_EQ(properties[DTV_PILOT], PILOT_AUTO);
    EXPECT_EQ(properties[DTV_STREAM_ID], NO_STREAM_ID_FILTER);
    definition.m_modulation = KRX_TT_32APSK;
    definition.m_streamId = 5;
    properties = Tune(definition);
    EXPECT_EQ(properties[DTV_MODULATION], APSK_32);
    EXPECT_EQ(properties[DTV_STREAM_ID], 5u);
}

TEST_F(TTSecondGenerationTuning, CableTakesSymbolRateAndQAM)
{
    m_card.frontendType = KRX_TT_FRONTEND_DVBC;
    Definition definition(KRX_TT_FRONTEND_DVBC);
    ASSERT_TRUE(definition.ReadFromString("Cable, 346000, 6900, QAM256, auto"));
    auto properties = Tune(definition);
    EXPECT_EQ(properties[DTV_DELIVERY_SYSTEM], SYS_DVBC_ANNEX_A);
    EXPECT_EQ(properties[DTV_FREQUENCY], 346000000u);
    EXPECT_EQ(properties[DTV_SYMBOL_RATE], 6900000u);
    EXPECT_EQ(properties[DTV_MODULATION], QAM_256);
    definition.m_modulation = KRX_TT_MODULATION_AUTO;
    EXPECT_EQ(Tune(definition)[DTV_MODULATION], QAM_AUTO);
}

TEST_F(TTSecondGenerationTuning, DiSEqCPortGoesBeforeToneAndVoltage)
{
    m_card.frontendType = KRX_TT_FRONTEND_DVBS;
    m_card.frequencyLow = 950000;
    m_card.frequencyHigh = 2150000;
    Definition definition(KRX_TT_FRONTEND_DVBS);
    ASSERT_TRUE(
        definition.ReadFromString("HD, 11914, horz, 27500, auto, auto, 0, off, 9750, DVB-S, QPSK, 0.35, none, C"));
    definition.Tune(m_card);
    const std::vector<KRXTTFrontendStep> steps = BuildFrontendSteps(m_card.channels.back());
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].kind, KRXTTFrontendStep::DiSEqC);
    // Committed switch, port C (2), horizontal, high band.
    EXPECT_EQ(steps[0].message, (std::vector<uint8_t> { 0xE0, 0x10, 0x38, 0xFB }));
    EXPECT_EQ(steps[1].kind, KRXTTFrontendStep::Voltage);
    EXPECT_EQ(steps[1].value, 18u);
    EXPECT_EQ(steps[2].kind, KRXTTFrontendStep::Tone);
    EXPECT_EQ(steps[2].value, 1u);
    EXPECT_EQ(TuningProperties(steps)[DTV_DELIVERY_SYSTEM], SYS_DVBS);
    // Without a switch no command is sent.
    definition.m_diseqcPort = -1;
    definition.Tune(m_card);
    EXPECT_EQ(BuildFrontendSteps(m_card.channels.back()).front().kind, KRXTTFrontendStep::Voltage);
}

TEST(TTSignalStatus, NamesTheSystemAndModulationLockedOn)
{
    KRXTTSignal signal;
    signal.locked = true;
    signal.strength = -45500;
    signal.carrierToNoise = 28300;
    signal.bitErrorRate = 0;
    signal.uncorrectedBlocks = 0;
    signal.system = KRX_TT_DVBT2;
    signal.modulation = KRX_TT_QAM256;
    EXPECT_EQ(FormatSignalStatus(signal), "Lock, DVB-T2 256QAM, -45.5 dBm, C/N 28.3 dB, BER 0, UCB 0");
    signal.system = KRX_TT_DVBS2;
    signal.modulation = KRX_TT_8PSK;
    EXPECT_EQ(FormatSignalStatus(signal).substr(0, 18), "Lock, DVB-S2 8PSK,");
    signal.modulation.reset();
    EXPECT_EQ(FormatSignalStatus(signal).substr(0, 13), "Lock, DVB-S2,");
}
} // namespace
