#include "ControlFile.h"
#include "SimConfig.h"
#include "Tuning.h"

#include <gtest/gtest.h>

using namespace dvbsim;

namespace {

std::string Refusal(const std::string& text)
{
    try {
        SimConfig::Parse(text, "/conf");
    } catch (const ConfigError& error) {
        return error.what();
    }
    return "accepted";
}

TuningRequest Satellite(uint32_t intermediateKHz, LnbVoltage voltage, bool tone, uint32_t symbolRate = 27500000)
{
    TuningRequest request;
    request.system = SYS_DVBS;
    request.frequency = intermediateKHz;
    request.voltage = voltage;
    request.tone = tone;
    request.symbolRate = symbolRate;
    return request;
}

TuningRequest Terrestrial(uint32_t hz, uint32_t bandwidthHz = 0)
{
    TuningRequest request;
    request.frequency = hz;
    request.bandwidthHz = bandwidthHz;
    return request;
}

const SimConfig& Config()
{
    static const SimConfig config = SimConfig::Parse("# two terrestrial, two satellite\n"
                                                     "dvbt 506000000 8000000 a.ts\n"
                                                     "\n"
                                                     "dvbt 514000000 7000000 /abs/b.ts   # VHF width\n"
                                                     "dvbs 11778000 v 27500000 c.ts\n"
                                                     "dvbs 12188000 h 27500000 d.ts\n",
        "/conf");
    return config;
}

const std::string& FileFor(const TuningRequest& request)
{
    static const std::string none = "none";
    const SimMultiplex* mux = FindMultiplex(Config().Multiplexes(), request);
    return mux ? mux->file : none;
}

} // namespace

TEST(SimConfig, ReadsBothKindsWithCommentsAndResolvesFilesAgainstItsFolder)
{
    const auto& muxes = Config().Multiplexes();
    ASSERT_EQ(muxes.size(), 4u);
    EXPECT_EQ(muxes[0].file, "/conf/a.ts");
    EXPECT_EQ(muxes[0].line, 2);
    EXPECT_EQ(muxes[1].file, "/abs/b.ts");
    EXPECT_EQ(muxes[1].bandwidthHz, 7000000u);
    EXPECT_EQ(muxes[2].delivery, Delivery::Satellite);
    EXPECT_EQ(muxes[2].polarisation, 'v');
    EXPECT_EQ(muxes[3].frequency, 12188000u);
    EXPECT_EQ(muxes[3].symbolRate, 27500000u);
    EXPECT_EQ(muxes[3].line, 6);
}

TEST(SimConfig, RefusesABadLineNamingIt)
{
    EXPECT_EQ(Refusal("dvbt 506000000 8000000 a.ts\ndvbx 1 2 x.ts\n"),
        "line 2: \"dvbx\" is not dvbt, dvbt2, dvbs, dvbs2 or dvbc");
    EXPECT_EQ(Refusal("dvbt2 506000000 8000000 a.ts"), "line 1: expected: dvbt2 FREQUENCY_HZ BANDWIDTH_HZ PLP FILE.ts");
    EXPECT_EQ(Refusal("dvbs2 11778000 v 27500000 8PSK d.ts diseqc=4"), "line 1: DiSEqC port 4 is out of range");
    EXPECT_EQ(
        Refusal("dvbs2 11778000 v 27500000 QAM64 d.ts"), "line 1: modulation \"QAM64\" is not QPSK|8PSK|16APSK|32APSK");
    EXPECT_EQ(Refusal("dvbc 346000000 6900000 8PSK c.ts"),
        "line 1: modulation \"8PSK\" is not QAM16|QAM32|QAM64|QAM128|QAM256");
    EXPECT_EQ(Refusal("dvbt 506000000 8000000 a.ts speed=2"), "line 1: \"speed=2\" is not diseqc=N or rate=BPS");
    EXPECT_EQ(Refusal("\n\ndvbt 506000000 8000000\n"), "line 3: expected: dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts");
    EXPECT_EQ(Refusal("dvbt 506MHz 8000000 a.ts"), "line 1: frequency \"506MHz\" is not a number");
    EXPECT_EQ(Refusal("dvbt -506000000 8000000 a.ts"), "line 1: frequency \"-506000000\" is not a number");
    EXPECT_EQ(Refusal("dvbt 99999999999 8000000 a.ts"), "line 1: frequency \"99999999999\" is not a number");
    EXPECT_EQ(Refusal("dvbt 506000 8000000 a.ts"), "line 1: frequency 506000 is out of range");
    EXPECT_EQ(Refusal("dvbs 12188000 x 27500000 d.ts"), "line 1: polarisation \"x\" is not h or v");
    EXPECT_EQ(Refusal("dvbs 1218 h 27500000 d.ts"), "line 1: frequency 1218 is out of range");
    EXPECT_NE(Refusal("# nothing but a comment\n").find("no multiplexes"), std::string::npos);
}

TEST(SimConfig, ReadsSecondGenerationCableAndTheirOptions)
{
    SimConfig config = SimConfig::Parse("dvbt2 522000000 8000000 1 t2.ts\n"
                                        "dvbs2 11914000 h 27500000 8PSK s2.ts diseqc=2\n"
                                        "dvbc 346000000 6900000 QAM256 c.ts rate=8000000\n"
                                        "dvbs 11778000 v 27500000 s.ts diseqc=0\n",
        "/conf");
    const auto& muxes = config.Multiplexes();
    ASSERT_EQ(muxes.size(), 4u);
    EXPECT_EQ(muxes[0].system, SYS_DVBT2);
    EXPECT_EQ(muxes[0].plp, 1);
    EXPECT_EQ(muxes[0].file, "/conf/t2.ts");
    EXPECT_EQ(muxes[1].system, SYS_DVBS2);
    EXPECT_EQ(muxes[1].modulation, PSK_8);
    EXPECT_EQ(muxes[1].diseqcPort, 2);
    EXPECT_EQ(muxes[1].file, "/conf/s2.ts");
    EXPECT_EQ(muxes[2].delivery, Delivery::Cable);
    EXPECT_EQ(muxes[2].modulation, QAM_256);
    EXPECT_EQ(muxes[2].symbolRate, 6900000u);
    EXPECT_EQ(muxes[2].rate, 8000000u);
    EXPECT_EQ(muxes[3].system, SYS_DVBS);
    EXPECT_EQ(muxes[3].diseqcPort, 0);
    EXPECT_EQ(muxes[3].rate, 0u);
}

TEST(Tuning, WrongSystemPlpOrSwitchPortNeverReaches)
{
    SimConfig config = SimConfig::Parse("dvbt2 522000000 8000000 1 t2.ts\n"
                                        "dvbs2 11914000 h 27500000 8PSK s2.ts diseqc=2\n"
                                        "dvbs 11778000 v 27500000 s.ts\n"
                                        "dvbc 346000000 6900000 QAM256 c.ts\n",
        "");
    auto reaches = [&config](const TuningRequest& request) {
        const SimMultiplex* mux = FindMultiplex(config.Multiplexes(), request);
        return mux ? mux->file : std::string("none");
    };
    TuningRequest t2 = Terrestrial(522000000);
    t2.system = SYS_DVBT2;
    EXPECT_EQ(reaches(t2), "t2.ts") << "no PLP chosen: the one there is";
    t2.streamId = 1;
    EXPECT_EQ(reaches(t2), "t2.ts");
    t2.streamId = 0;
    EXPECT_EQ(reaches(t2), "none");
    EXPECT_EQ(reaches(Terrestrial(522000000)), "none") << "DVB-T never locks on DVB-T2";

    // 11914 MHz horizontal, high band, behind port C.
    TuningRequest s2 = Satellite(1314000, LnbVoltage::V18, true);
    s2.system = SYS_DVBS2;
    EXPECT_EQ(reaches(s2), "none") << "no switch command sent";
    s2.diseqcPort = 1;
    EXPECT_EQ(reaches(s2), "none");
    s2.diseqcPort = 2;
    EXPECT_EQ(reaches(s2), "s2.ts");
    s2.system = SYS_DVBS;
    EXPECT_EQ(reaches(s2), "none") << "DVB-S never locks on DVB-S2";
    // Without a port of its own a transponder is reached through any port or none.
    TuningRequest s = Satellite(2028000, LnbVoltage::V13, false);
    EXPECT_EQ(reaches(s), "s.ts");
    s.diseqcPort = 3;
    EXPECT_EQ(reaches(s), "s.ts");

    TuningRequest cable = Terrestrial(346000000);
    cable.system = SYS_DVBC_ANNEX_A;
    cable.symbolRate = 6900000;
    cable.modulation = QAM_256;
    EXPECT_EQ(reaches(cable), "c.ts");
    cable.modulation = QAM_AUTO;
    EXPECT_EQ(reaches(cable), "c.ts");
    cable.modulation = QAM_64;
    EXPECT_EQ(reaches(cable), "none");
    cable.modulation = QAM_256;
    cable.symbolRate = 5217000;
    EXPECT_EQ(reaches(cable), "none");
}

TEST(Tuning, TerrestrialLocksOnlyNearTheFrequencyWithAFittingBandwidth)
{
    EXPECT_EQ(FileFor(Terrestrial(506000000)), "/conf/a.ts");
    EXPECT_EQ(FileFor(Terrestrial(506000000 + TERRESTRIAL_TOLERANCE_HZ, 8000000)), "/conf/a.ts");
    // The offsets a channel scan tries must stay apart from the centre.
    EXPECT_EQ(FileFor(Terrestrial(506166000)), "none");
    EXPECT_EQ(FileFor(Terrestrial(505834000)), "none");
    EXPECT_EQ(FileFor(Terrestrial(506000000, 7000000)), "none");
    EXPECT_EQ(FileFor(Terrestrial(514000000, 7000000)), "/abs/b.ts");
    EXPECT_EQ(FileFor(Terrestrial(522000000)), "none");
}

TEST(Tuning, SatelliteTransponderIsTheIntermediateFrequencyPlusTheOscillatorTheToneChooses)
{
    // 12188 MHz horizontal: high band (10600 MHz oscillator, tone on), 18 V.
    EXPECT_EQ(FileFor(Satellite(1588000, LnbVoltage::V18, true)), "/conf/d.ts");
    EXPECT_EQ(FileFor(Satellite(1588000, LnbVoltage::V13, true)), "none");
    EXPECT_EQ(FileFor(Satellite(1588000, LnbVoltage::V18, false)), "none");
    EXPECT_EQ(FileFor(Satellite(1588000, LnbVoltage::Off, true)), "none");
    // 11778 MHz vertical: low band (9750 MHz oscillator, no tone), 13 V.
    EXPECT_EQ(FileFor(Satellite(2028000, LnbVoltage::V13, false)), "/conf/c.ts");
    EXPECT_EQ(FileFor(Satellite(2028000 + SATELLITE_TOLERANCE_KHZ, LnbVoltage::V13, false)), "/conf/c.ts");
    EXPECT_EQ(FileFor(Satellite(2028000 + SATELLITE_TOLERANCE_KHZ + 1, LnbVoltage::V13, false)), "none");
    EXPECT_EQ(FileFor(Satellite(2028000, LnbVoltage::V13, false, 22000000)), "none");
    EXPECT_EQ(FileFor(Satellite(2028000, LnbVoltage::V13, false, 0)), "/conf/c.ts");
    // A satellite request never reaches a terrestrial multiplex, whatever its numbers.
    EXPECT_EQ(FileFor(Satellite(506000000 / 1000, LnbVoltage::V13, false)), "none");
}

TEST(ControlFile, ReadsOneWordAndKeepsReceivingWhenThereIsNone)
{
    EXPECT_EQ(ParseReception(" nosignal\n"), Reception::NoSignal);
    EXPECT_EQ(ParseReception("unplugged"), Reception::Unplugged);
    EXPECT_EQ(ParseReception("denied"), Reception::Denied);
    EXPECT_EQ(ParseReception(""), Reception::Signal);
    EXPECT_THROW(ParseReception("off"), std::invalid_argument);
    EXPECT_EQ(ReadReception("/nonexistent/control"), Reception::Signal);
}
