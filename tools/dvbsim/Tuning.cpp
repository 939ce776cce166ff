#include "Tuning.h"

namespace dvbsim {
namespace {

uint32_t Distance(uint32_t a, uint32_t b)
{
    return a > b ? a - b : b - a;
}

bool SymbolRateFits(const SimMultiplex& mux, const TuningRequest& request)
{
    return request.symbolRate == 0 || Distance(request.symbolRate, mux.symbolRate) <= mux.symbolRate / 100;
}

bool ReachesTerrestrial(const SimMultiplex& mux, const TuningRequest& request)
{
    // Without a PLP chosen the demodulator takes the one there is.
    bool plpFits
        = mux.system != SYS_DVBT2 || request.streamId == NO_STREAM_ID_FILTER || request.streamId == uint32_t(mux.plp);
    return Distance(mux.frequency, request.frequency) <= TERRESTRIAL_TOLERANCE_HZ
        && (request.bandwidthHz == 0 || request.bandwidthHz == mux.bandwidthHz) && plpFits;
}

bool ReachesCable(const SimMultiplex& mux, const TuningRequest& request)
{
    return Distance(mux.frequency, request.frequency) <= TERRESTRIAL_TOLERANCE_HZ && SymbolRateFits(mux, request)
        && (request.modulation == QAM_AUTO || request.modulation == uint32_t(mux.modulation));
}

bool ReachesSatellite(const SimMultiplex& mux, const TuningRequest& request)
{
    // An unpowered LNB receives nothing.
    if (request.voltage == LnbVoltage::Off)
        return false;
    char polarisation = request.voltage == LnbVoltage::V18 ? 'h' : 'v';
    uint32_t transponder = request.frequency + (request.tone ? HIGH_BAND_OSCILLATOR_KHZ : LOW_BAND_OSCILLATOR_KHZ);
    return polarisation == mux.polarisation && Distance(transponder, mux.frequency) <= SATELLITE_TOLERANCE_KHZ
        && SymbolRateFits(mux, request);
}

} // namespace

Delivery DeliveryOf(uint32_t system)
{
    if (system == SYS_DVBS || system == SYS_DVBS2)
        return Delivery::Satellite;
    return system == SYS_DVBC_ANNEX_A ? Delivery::Cable : Delivery::Terrestrial;
}

const SimMultiplex* FindMultiplex(const std::vector<SimMultiplex>& multiplexes, const TuningRequest& request)
{
    for (const SimMultiplex& mux : multiplexes) {
        if (mux.system != request.system || (mux.diseqcPort >= 0 && mux.diseqcPort != request.diseqcPort))
            continue;
        bool reached = mux.delivery == Delivery::Terrestrial ? ReachesTerrestrial(mux, request)
            : mux.delivery == Delivery::Cable                ? ReachesCable(mux, request)
                                                             : ReachesSatellite(mux, request);
        if (reached)
            return &mux;
    }
    return nullptr;
}

} // namespace dvbsim
