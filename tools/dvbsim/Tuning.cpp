#include "Tuning.h"

namespace dvbsim {
namespace {

uint32_t Distance(uint32_t a, uint32_t b)
{
    return a > b ? a - b : b - a;
}

bool ReachesTerrestrial(const SimMultiplex& mux, const TuningRequest& request)
{
    return Distance(mux.frequency, request.frequency) <= TERRESTRIAL_TOLERANCE_HZ
        && (request.bandwidthHz == 0 || request.bandwidthHz == mux.bandwidthHz);
}

bool ReachesSatellite(const SimMultiplex& mux, const TuningRequest& request)
{
    // An unpowered LNB receives nothing.
    if (request.voltage == LnbVoltage::Off)
        return false;
    char polarisation = request.voltage == LnbVoltage::V18 ? 'h' : 'v';
    uint32_t transponder = request.frequency + (request.tone ? HIGH_BAND_OSCILLATOR_KHZ : LOW_BAND_OSCILLATOR_KHZ);
    bool symbolRateFits
        = request.symbolRate == 0 || Distance(request.symbolRate, mux.symbolRate) <= mux.symbolRate / 100;
    return polarisation == mux.polarisation && Distance(transponder, mux.frequency) <= SATELLITE_TOLERANCE_KHZ
        && symbolRateFits;
}

} // namespace

const SimMultiplex* FindMultiplex(const std::vector<SimMultiplex>& multiplexes, const TuningRequest& request)
{
    for (const SimMultiplex& mux : multiplexes) {
        if (mux.delivery != request.delivery)
            continue;
        bool reached
            = mux.delivery == Delivery::Terrestrial ? ReachesTerrestrial(mux, request) : ReachesSatellite(mux, request);
        if (reached)
            return &mux;
    }
    return nullptr;
}

} // namespace dvbsim
