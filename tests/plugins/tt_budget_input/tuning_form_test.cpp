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
} // namespace
