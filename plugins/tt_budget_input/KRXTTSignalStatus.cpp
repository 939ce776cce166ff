#include "KRXTTSignalStatus.h"

#include <cinttypes>

CString FormatSignalStatus(const KRXTTSignal& signal)
{
    if (!signal.locked)
        return "no lock";
    CString text = "Lock";
    if (signal.strength)
        text += FormatString(", %.1f dBm", *signal.strength / 1000.0);
    if (signal.carrierToNoise)
        text += FormatString(", C/N %.1f dB", *signal.carrierToNoise / 1000.0);
    if (signal.bitErrorRate)
        text += FormatString(", BER %g", *signal.bitErrorRate);
    if (signal.uncorrectedBlocks)
        text += FormatString(", UCB %" PRIu64, *signal.uncorrectedBlocks);
    return text;
}
