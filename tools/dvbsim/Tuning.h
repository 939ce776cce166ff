#pragma once
// Which configured multiplex, if any, a tuning request reaches. Only a
// request in the multiplex's own delivery system reaches it, a DVB-T2 one
// only with its PLP (or none chosen), and one behind a DiSEqC switch port
// only after the committed command for that port. Satellite requests carry
// the LNB's intermediate frequency: the transponder is that plus the
// universal LNB's oscillator the 22 kHz tone selects, and the LNB voltage
// selects the polarisation (13 V vertical, 18 V horizontal).
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
    fe_delivery_system system = SYS_DVBT;
    uint32_t frequency = 0; // Hz, or the intermediate frequency in kHz for satellite
    uint32_t bandwidthHz = 0; // 0: automatic
    uint32_t symbolRate = 0; // 0: not given
    uint32_t modulation = QAM_AUTO;
    uint32_t streamId = NO_STREAM_ID_FILTER;
    LnbVoltage voltage = LnbVoltage::Off;
    bool tone = false;
    int diseqcPort = -1; // the last committed port commanded; -1 none
};

Delivery DeliveryOf(uint32_t system);
const SimMultiplex* FindMultiplex(const std::vector<SimMultiplex>& multiplexes, const TuningRequest& request);

} // namespace dvbsim
