#pragma once
// The signal part of the card's status text: "Lock, DVB-T2 256QAM, -45.5 dBm,
// C/N 28.3 dB, BER 0, UCB 0", leaving out what the frontend does not measure
// or say; "no lock"
// while the frontend has not locked.
#include "KRXTTCard.h"

CString FormatSignalStatus(const KRXTTSignal& signal);
// "DVB-S2" for KRX_TT_DVBS2 and so on; empty for a code it does not know.
CString DeliverySystemName(int system);
