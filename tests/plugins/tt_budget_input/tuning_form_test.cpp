#include "KRXTTTuningForm.h"

#include <gtest/gtest.h>

namespace {
using Definition = CKRXTTMultiplexDefinition;

TEST(TTTuningForm, TerrestrialRecomputesOnlyOnceInitialised)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    definition.m_frequency = 123456; // as saved, whatever the channel says
    CKRXTTTuningForm form(definition);
    EXPECT_EQ(form.GetCaption(), "DVB-T Tuning");
    // The view filling its controls.
    form.SetChannel(definition.m_channel);
    form.SetOffset(definition.m_offset);
    form.SetFrequency(definition.m_frequency);
    EXPECT_EQ(form.Values().m_frequency, 123456u);
    form.FinishInitialising();
    form.SetChannel(21);
    EXPECT_EQ(form.Values().m_frequency, 474000u);
    form.SetOffset(Definition::OffsetPlus);
    EXPECT_EQ(form.Values().m_frequency, 474167u);
    form.SetFrequency(705833);
    EXPECT_EQ(form.Values().m_channel, 50);
    EXPECT_EQ(form.Values().m_offset, Definition::OffsetMinus);
}

TEST(TTTuningForm, SatelliteEnablesTheOscillatorOnlyForOtherLNBs)
{
    Definition definition(KRX_TT_FRONTEND_DVBS);
    CKRXTTTuningForm form(definition);
    form.FinishInitialising();
    EXPECT_EQ(form.GetCaption(), "DVB-S Tuning");
    EXPECT_FALSE(form.AreOtherLNBControlsEnabled());
    form.SetLNBType(Definition::OtherLNB);
    EXPECT_TRUE(form.AreOtherLNBControlsEnabled());
    // A satellite frequency in MHz is no channel.
    form.SetFrequency(11954);
    EXPECT_EQ(form.Values().m_channel, 50);
    EXPECT_EQ(form.GetPolarityIndex(), 2);
    form.SetPolarityIndex(1);
    EXPECT_EQ(form.Values().m_powerType, 13);
}

TEST(TTTuningForm, TestLeavesTheDefinitionAndOKWritesIt)
{
    Definition definition(KRX_TT_FRONTEND_DVBT);
    CKRXTTTuningForm form(definition);
    form.FinishInitialising();
    form.SetName("Local");
    form.SetChannel(22);
    form.SetBandwidth(3);
    const auto test = form.BuildTestDefinition();
    EXPECT_EQ(test->m_frequency, 482000u);
    EXPECT_EQ(test->GetFrontendType(), KRX_TT_FRONTEND_DVBT);
    EXPECT_EQ(definition.m_frequency, 706000u);
    form.Apply(definition);
    EXPECT_EQ(definition.GetName(), "Local");
    EXPECT_EQ(definition.m_frequency, 482000u);
    // Auto has no word in the file, but the definition keeps it.
    EXPECT_EQ(definition.m_bandwidth, 3);
}
TEST(TTTuningForm, SecondGenerationChoicesAndTheCableForm)
{
    CKRXTTTuningForm terrestrial((Definition(KRX_TT_FRONTEND_DVBT)));
    terrestrial.FinishInitialising();
    EXPECT_EQ(terrestrial.SystemChoices(), (std::vector<CString> { "DVB-T", "DVB-T2" }));
    EXPECT_FALSE(terrestrial.AreSecondGenerationControlsEnabled());
    terrestrial.SetSystemIndex(1);
    EXPECT_TRUE(terrestrial.AreSecondGenerationControlsEnabled());
    terrestrial.SetStreamText("3");
    terrestrial.SetBandwidth(KRX_TT_BANDWIDTH_10MHZ);
    EXPECT_EQ(CKRXTTTuningForm::BandwidthChoices()[KRX_TT_BANDWIDTH_10MHZ], "10MHz");
    CString line;
    terrestrial.BuildTestDefinition()->WriteToString(line);
    EXPECT_TRUE(line.ends_with(", 10MHz, DVB-T2, 3")) << line;
    terrestrial.SetStreamText(""); // a PLP there always is
    EXPECT_EQ(terrestrial.GetStreamText(), "0");

    CKRXTTTuningForm satellite((Definition(KRX_TT_FRONTEND_DVBS)));
    satellite.SetSystemIndex(1);
    satellite.SetModulationIndex(1);
    satellite.SetRollOff(KRX_TT_ROLLOFF_20);
    satellite.SetDiSEqCIndex(3);
    satellite.SetStreamText("");
    EXPECT_EQ(satellite.GetModulationIndex(), 1);
    EXPECT_EQ(satellite.Values().m_modulation, KRX_TT_8PSK);
    EXPECT_EQ(satellite.Values().m_diseqcPort, 2);
    EXPECT_EQ(satellite.GetStreamText(), "");
    satellite.BuildTestDefinition()->WriteToString(line);
    EXPECT_TRUE(line.ends_with(", DVB-S2, 8PSK, 0.20, none, C")) << line;

    CKRXTTTuningForm cable((Definition(KRX_TT_FRONTEND_DVBC)));
    EXPECT_EQ(cable.GetCaption(), "DVB-C Tuning");
    EXPECT_EQ(cable.GetModulationIndex(), 0) << "auto";
    cable.SetModulationIndex(5);
    EXPECT_EQ(cable.Values().m_modulation, KRX_TT_QAM256);
    EXPECT_EQ(CKRXTTTuningForm::CableModulationChoices()[cable.GetModulationIndex()], "QAM256");
    EXPECT_FALSE(cable.AreSecondGenerationControlsEnabled());
}
} // namespace
