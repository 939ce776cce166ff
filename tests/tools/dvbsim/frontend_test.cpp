#include "SimFrontend.h"

#include <gtest/gtest.h>

using namespace dvbsim;

namespace {

dtv_property Property(uint32_t command, uint32_t value = 0)
{
    dtv_property property {};
    property.cmd = command;
    property.u.data = value;
    return property;
}

dtv_stats Stat(const SimFrontend& frontend, uint32_t command)
{
    dtv_property property = Property(command);
    EXPECT_EQ(frontend.GetProperty(property), 0);
    EXPECT_EQ(property.u.st.len, 1);
    return property.u.st.stat[0];
}

uint32_t Get(const SimFrontend& frontend, uint32_t command)
{
    dtv_property property = Property(command);
    EXPECT_EQ(frontend.GetProperty(property), 0);
    return property.u.data;
}

void Tune(SimFrontend& frontend, std::vector<std::pair<uint32_t, uint32_t>> settings)
{
    for (auto [command, value] : settings)
        ASSERT_EQ(frontend.SetProperty(Property(command, value)), 0);
    ASSERT_EQ(frontend.SetProperty(Property(DTV_TUNE)), 0);
}

const uint32_t ALL_STATS[] = { DTV_STAT_SIGNAL_STRENGTH, DTV_STAT_CNR, DTV_STAT_PRE_ERROR_BIT_COUNT,
    DTV_STAT_PRE_TOTAL_BIT_COUNT, DTV_STAT_POST_ERROR_BIT_COUNT, DTV_STAT_POST_TOTAL_BIT_COUNT,
    DTV_STAT_ERROR_BLOCK_COUNT, DTV_STAT_TOTAL_BLOCK_COUNT };

} // namespace

TEST(SimFrontend, OffersTheDeliverySystemsItsConfigurationNamesWithTheirRanges)
{
    SimConfig both = SimConfig::Parse("dvbt 506000000 8000000 a.ts\ndvbs 12188000 h 27500000 d.ts\n", "/");
    SimFrontend frontend(both);
    dtv_property systems = Property(DTV_ENUM_DELSYS);
    ASSERT_EQ(frontend.GetProperty(systems), 0);
    ASSERT_EQ(systems.u.buffer.len, 4u);
    EXPECT_EQ(systems.u.buffer.data[0], SYS_DVBT);
    EXPECT_EQ(systems.u.buffer.data[3], SYS_DVBS2);

    dvb_frontend_info terrestrial = frontend.Info();
    EXPECT_EQ(terrestrial.type, FE_OFDM);
    EXPECT_EQ(terrestrial.frequency_max, 862000000u);
    EXPECT_TRUE(terrestrial.caps & FE_CAN_INVERSION_AUTO);
    EXPECT_TRUE(terrestrial.caps & FE_CAN_BANDWIDTH_AUTO);
    EXPECT_FALSE(terrestrial.caps & FE_CAN_RECOVER);

    // Satellite ranges are the LNB's intermediate frequencies, in kHz.
    ASSERT_EQ(frontend.SetProperty(Property(DTV_DELIVERY_SYSTEM, SYS_DVBS2)), 0);
    dvb_frontend_info satellite = frontend.Info();
    EXPECT_EQ(satellite.type, FE_QPSK);
    EXPECT_EQ(satellite.frequency_min, 950000u);
    EXPECT_EQ(satellite.frequency_max, 2150000u);

    SimFrontend onlySatellite(SimConfig::Parse("dvbs 12188000 h 27500000 d.ts", "/"));
    EXPECT_EQ(onlySatellite.SetProperty(Property(DTV_DELIVERY_SYSTEM, SYS_DVBT)), EINVAL);
    EXPECT_EQ(Get(onlySatellite, DTV_DELIVERY_SYSTEM), uint32_t(SYS_DVBS));
    EXPECT_EQ(onlySatellite.SetProperty(Property(0x7FFF, 1)), EINVAL);
}

TEST(SimFrontend, LocksOnlyOnAConfiguredMultiplexAndStatisticsFollowTheLock)
{
    SimConfig config = SimConfig::Parse("dvbt 506000000 8000000 a.ts", "/");
    SimFrontend frontend(config);
    EXPECT_EQ(frontend.Status(), 0);

    Tune(frontend, { { DTV_FREQUENCY, 514000000 } });
    EXPECT_EQ(frontend.Status(), 0);
    EXPECT_EQ(frontend.Locked(), nullptr);
    for (uint32_t command : ALL_STATS)
        EXPECT_EQ(Stat(frontend, command).scale, FE_SCALE_NOT_AVAILABLE) << command;

    Tune(frontend, { { DTV_FREQUENCY, 506000000 }, { DTV_BANDWIDTH_HZ, 0 } });
    EXPECT_EQ(frontend.Status(), FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK);
    EXPECT_EQ(Get(frontend, DTV_BANDWIDTH_HZ), 8000000u) << "the bandwidth found after an automatic tune";
    dtv_stats strength = Stat(frontend, DTV_STAT_SIGNAL_STRENGTH);
    EXPECT_EQ(strength.scale, FE_SCALE_DECIBEL);
    EXPECT_EQ(strength.svalue, -45500);
    EXPECT_EQ(Stat(frontend, DTV_STAT_CNR).svalue, 28300);
    EXPECT_EQ(Stat(frontend, DTV_STAT_ERROR_BLOCK_COUNT).scale, FE_SCALE_COUNTER);
    EXPECT_GT(Stat(frontend, DTV_STAT_POST_TOTAL_BIT_COUNT).uvalue, 0u);
    EXPECT_GT(frontend.SignalStrength(), 0);

    // The signal lost and back: lock follows without a retune.
    uint64_t tunes = frontend.Tunes();
    frontend.SetSignal(false);
    EXPECT_EQ(frontend.Status(), 0);
    EXPECT_EQ(Stat(frontend, DTV_STAT_SIGNAL_STRENGTH).scale, FE_SCALE_NOT_AVAILABLE);
    EXPECT_EQ(frontend.SignalStrength(), 0);
    frontend.SetSignal(true);
    EXPECT_NE(frontend.Locked(), nullptr);
    EXPECT_EQ(frontend.Tunes(), tunes);

    // Out of the frontend's range: refused, and the lock is gone.
    ASSERT_EQ(frontend.SetProperty(Property(DTV_FREQUENCY, 100000000)), 0);
    EXPECT_EQ(frontend.SetProperty(Property(DTV_TUNE)), EINVAL);
    EXPECT_EQ(frontend.Locked(), nullptr);

    // DTV_CLEAR forgets the frequency, not the delivery system.
    Tune(frontend, { { DTV_FREQUENCY, 506000000 } });
    ASSERT_NE(frontend.Locked(), nullptr);
    ASSERT_EQ(frontend.SetProperty(Property(DTV_CLEAR)), 0);
    EXPECT_EQ(frontend.SetProperty(Property(DTV_TUNE)), EINVAL);
    EXPECT_EQ(frontend.Locked(), nullptr);
    EXPECT_EQ(Get(frontend, DTV_DELIVERY_SYSTEM), uint32_t(SYS_DVBT));
}

TEST(SimFrontend, SatelliteLockDependsOnToneAndVoltageSetEitherWay)
{
    SimConfig config = SimConfig::Parse("dvbs 12188000 h 27500000 d.ts", "/");
    SimFrontend frontend(config);
    Tune(frontend, { { DTV_FREQUENCY, 1588000 }, { DTV_SYMBOL_RATE, 27500000 } });
    EXPECT_EQ(frontend.Locked(), nullptr) << "locked with the LNB unpowered";
    // 12188 MHz through the low band's oscillator lies beyond the LNB's output.
    ASSERT_EQ(frontend.SetProperty(Property(DTV_FREQUENCY, 12188000 - LOW_BAND_OSCILLATOR_KHZ)), 0);
    EXPECT_EQ(frontend.SetProperty(Property(DTV_TUNE)), EINVAL);
    ASSERT_EQ(frontend.SetProperty(Property(DTV_FREQUENCY, 1588000)), 0);

    ASSERT_EQ(frontend.SetVoltage(SEC_VOLTAGE_18), 0);
    ASSERT_EQ(frontend.SetTone(SEC_TONE_ON), 0);
    Tune(frontend, {});
    EXPECT_NE(frontend.Locked(), nullptr);
    EXPECT_EQ(Get(frontend, DTV_TONE), uint32_t(SEC_TONE_ON));

    Tune(frontend, { { DTV_VOLTAGE, SEC_VOLTAGE_13 } });
    EXPECT_EQ(frontend.Locked(), nullptr);
    Tune(frontend, { { DTV_VOLTAGE, SEC_VOLTAGE_18 }, { DTV_TONE, SEC_TONE_OFF } });
    EXPECT_EQ(frontend.Locked(), nullptr);
    EXPECT_EQ(frontend.SetTone(fe_sec_tone_mode(7)), EINVAL);
    EXPECT_EQ(frontend.SetVoltage(fe_sec_voltage(9)), EINVAL);
}

TEST(SimFrontend, CommittedSwitchCommandsChooseThePortAndLockReportsTheModulation)
{
    SimConfig config = SimConfig::Parse("dvbs2 11914000 h 27500000 8PSK s2.ts diseqc=2\n"
                                        "dvbc 346000000 6900000 QAM256 c.ts\n",
        "/");
    SimFrontend frontend(config);
    ASSERT_EQ(frontend.SetProperty(Property(DTV_DELIVERY_SYSTEM, SYS_DVBS2)), 0);
    ASSERT_EQ(frontend.SetVoltage(SEC_VOLTAGE_18), 0);
    ASSERT_EQ(frontend.SetTone(SEC_TONE_ON), 0);
    Tune(frontend, { { DTV_FREQUENCY, 1314000 }, { DTV_SYMBOL_RATE, 27500000 } });
    EXPECT_EQ(frontend.Locked(), nullptr) << "no switch command yet";
    dvb_diseqc_master_cmd command = { { 0xE0, 0x10, 0x38, 0xFB }, 4 }; // port C, horizontal, high band
    ASSERT_EQ(frontend.SendDiseqc(command), 0);
    Tune(frontend, {});
    ASSERT_NE(frontend.Locked(), nullptr);
    EXPECT_EQ(Get(frontend, DTV_MODULATION), uint32_t(PSK_8));
    // An uncommitted switch's command leaves the committed port as it was.
    dvb_diseqc_master_cmd uncommitted = { { 0xE0, 0x10, 0x39, 0xF0 }, 4 };
    ASSERT_EQ(frontend.SendDiseqc(uncommitted), 0);
    command.msg[3] = 0xF7; // port B
    ASSERT_EQ(frontend.SendDiseqc(command), 0);
    Tune(frontend, {});
    EXPECT_EQ(frontend.Locked(), nullptr);

    // As libdvbv5 does it: 13 V and no tone, the band and polarisation in the command.
    ASSERT_EQ(frontend.SetVoltage(SEC_VOLTAGE_13), 0);
    ASSERT_EQ(frontend.SetTone(SEC_TONE_OFF), 0);
    command.msg[3] = 0xFB;
    ASSERT_EQ(frontend.SendDiseqc(command), 0);
    Tune(frontend, {});
    EXPECT_NE(frontend.Locked(), nullptr);
    // The next tune without a command takes the receiver's voltage and tone again.
    Tune(frontend, {});
    EXPECT_EQ(frontend.Locked(), nullptr);

    ASSERT_EQ(frontend.SetProperty(Property(DTV_DELIVERY_SYSTEM, SYS_DVBC_ANNEX_A)), 0);
    dvb_frontend_info cable = frontend.Info();
    EXPECT_EQ(cable.type, FE_QAM);
    EXPECT_EQ(cable.frequency_min, 47000000u);
    EXPECT_EQ(Get(frontend, DTV_MODULATION), uint32_t(QAM_AUTO)) << "cleared as the kernel clears it";
    Tune(frontend, { { DTV_FREQUENCY, 346000000 }, { DTV_SYMBOL_RATE, 6900000 } });
    ASSERT_NE(frontend.Locked(), nullptr);
    EXPECT_EQ(Get(frontend, DTV_MODULATION), uint32_t(QAM_256));
}
