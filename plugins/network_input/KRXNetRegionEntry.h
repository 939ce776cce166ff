#pragma once
// One multiplex of a region file (the initial-tuning files the card scan
// reads), in the terms a SAT>IP tuning query uses.
#include "platform/CString.h"

#include <cstdint>

struct KRXNetRegionEntry {
    CString system; // SAT>IP's msys: "dvbs", "dvbs2", "dvbt", "dvbt2" or "dvbc"
    uint32_t frequencyKHz = 0;
    uint32_t bandwidthHz = 0; // terrestrial
    uint32_t symbolRate = 0; // satellite and cable, symbols a second
    char polarisation = 0; // satellite: 'h', 'v', 'l' or 'r'
    CString modulation; // SAT>IP's mtype ("8psk", "256qam"); empty leaves it to the server
    int plp = -1; // DVB-T2's physical layer pipe; -1: the first

    bool IsSatellite() const { return system.rfind("dvbs", 0) == 0; }
};

// "src=1&freq=11494&pol=h&msys=dvbs2&sr=22000...": what tunes the entry
// through a SAT>IP server, the satellite's source being the server's 1..255.
CString SatIpTuningQuery(const KRXNetRegionEntry& entry, int source);
// "DVB-S2 11494 MHz H", "DVB-C 377.75 MHz": the name the scan gives what it finds.
CString SatIpMultiplexName(const KRXNetRegionEntry& entry);
