#pragma once
// Which configured multiplex, if any, a tuning request reaches. Satellite
// requests carry the LNB's intermediate frequency: the transponder is that
// plus the universal LNB's oscillator the 22 kHz tone selects, and the LNB
// voltage selects the polarisation (13 V vertical, 18 V horizontal).
#include "SimConfig.h"

#include <cstdint>
#include <vector>

namespace dvbsim {

constexpr uint32_t LOW_BAND_OSCILLATOR_KHZ = 9750000;
constexpr uint32_t HIGH_BAND_OSCILLATOR_KHZ = 10600000;
// Close enough to lock, yet apart from the 1/6 MHz offsets a terrestrial scan tries.
constexpr uint32_t TERRESTRIAL_TOLERANCE_HZ = 50000;
constexpr uint32_t SATELLITE_TOLERANCE_KHZ = 2000;

enum class LnbVoltage { Off, V13, V18 };

struct TuningRequest {
    Delivery delivery = Delivery::Terrestrial;
    uint32_t frequency = 0; // Hz, or the intermediate frequency in kHz for satellite
    uint32_t bandwidthHz = 0; // 0: automatic
    uint32_t symbolRate = 0; // 0: not given
    LnbVoltage voltage = LnbVoltage::Off;
    bool tone = false;
};

const SimMultiplex* FindMultiplex(const std::vector<SimMultiplex>& multiplexes, const TuningRequest& request);

} // namespace dvbsim
