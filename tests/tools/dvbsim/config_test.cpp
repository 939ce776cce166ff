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
    request.delivery = Delivery::Satellite;
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
    EXPECT_EQ(Refusal("dvbt 506000000 8000000 a.ts\ndvbc 1 2 x.ts\n"), "line 2: \"dvbc\" is not dvbt or dvbs");
    EXPECT_EQ(Refusal("\n\ndvbt 506000000 8000000\n"), "line 3: expected: dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts");
    EXPECT_EQ(Refusal("dvbt 506MHz 8000000 a.ts"), "line 1: frequency \"506MHz\" is not a number");
    EXPECT_EQ(Refusal("dvbt -506000000 8000000 a.ts"), "line 1: frequency \"-506000000\" is not a number");
    EXPECT_EQ(Refusal("dvbt 99999999999 8000000 a.ts"), "line 1: frequency \"99999999999\" is not a number");
    EXPECT_EQ(Refusal("dvbt 506000 8000000 a.ts"), "line 1: frequency 506000 is out of range");
    EXPECT_EQ(Refusal("dvbs 12188000 x 27500000 d.ts"), "line 1: polarisation \"x\" is not h or v");
    EXPECT_EQ(Refusal("dvbs 1218 h 27500000 d.ts"), "line 1: frequency 1218 is out of range");
    EXPECT_NE(Refusal("# nothing but a comment\n").find("no multiplexes"), std::string::npos);
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
