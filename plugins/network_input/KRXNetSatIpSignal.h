#pragma once
// The signal report a SAT>IP server sends in its RTCP: an application packet
// named "SES1" whose text holds "tuner=FE,LEVEL,LOCK,QUALITY,...".
#include "platform/CString.h"

#include <cstddef>
#include <cstdint>

struct KRXNetSatIpSignal {
    bool locked = false;
    int level = 0; // 0..255
    int quality = 0; // 0..15
};

// Looks through a compound RTCP packet for the report; false when it has none
// that can be read.
bool ParseSatIpSignalReport(const uint8_t* data, size_t size, KRXNetSatIpSignal& signal);
// "Lock, level 88%, quality 100%", or "no lock".
CString FormatSatIpSignal(const KRXNetSatIpSignal& signal);
