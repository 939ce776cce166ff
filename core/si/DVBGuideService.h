#pragma once
// One service of the guide: who it is and the events its schedule holds.
#include "si/DVBEvent.h"

#include <vector>

struct CDVBGuideService {
    unsigned short originalNetworkId = 0;
    unsigned short transportStreamId = 0;
    unsigned short serviceId = 0;
    CString name; // UTF-8; empty until the SDT names it
    std::vector<CDVBEvent> events; // by start time
};
