#pragma once
// The running status of a timer's event as the guide collected from its
// multiplex has it: the event's own, or "not running" once it has left the
// guide while another event of the service runs. 0 while nothing is known.
#include "si/DVBGuideService.h"

#include <vector>

// eventSeen remembers, across calls for one recording, that the event was listed with a status.
unsigned char FindEventRunningStatus(
    const std::vector<CDVBGuideService>& guide, unsigned short serviceId, int eventId, bool& eventSeen);
