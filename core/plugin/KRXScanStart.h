#pragma once
// Where a scan from an initial-tuning file starts, as the user says before it
// runs: the region's file, and what only some inputs ask for (the switch port
// behind which a satellite dish sits, the SAT>IP server and its source). The
// plug-in sets what it asks for and the defaults; the dialog fills in the rest.
#include "platform/CString.h"

struct SKRXScanStart {
    CString initialFile;
    bool asksSwitchPort = false;
    int switchPort = -1; // DiSEqC 1.0 port 0-3 (A-D); -1 for none
    bool asksServer = false;
    CString server; // "HOST" or "HOST:PORT"
    int source = 1; // SAT>IP's src, the satellite position 1-255
};
