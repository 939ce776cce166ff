#pragma once
// Told by the transport stream receiver, on its receive thread and after the
// programme lock is released, each time a programme's service information changed.

// The kinds of update (the second argument).
enum : int {
    DVB_UPDATE_PAT = 1, // the programme exists, its PMT PID is known
    DVB_UPDATE_PMT = 2, // its elementary streams changed
    DVB_UPDATE_SDT = 3, // its name, type or access changed
    DVB_UPDATE_EIT = 4, // its now/next events changed
    DVB_UPDATE_NIT = 5, // its channel number or visibility changed
};

class CDVBTransportStreamUpdateHandler
{
public:
    // The order of these virtual operations is part of the core's interface.
    virtual ~CDVBTransportStreamUpdateHandler() = default;
    virtual void OnServiceInformationUpdate(unsigned short /*id*/, int /*type*/) { }
};
