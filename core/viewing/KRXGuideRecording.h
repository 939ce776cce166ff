#pragma once
// What "Record" on a programme of the guide asks for: where the service is
// received, which service, and which event of it. The timer list turns it
// into a timer.
#include "platform/CString.h"

#include <cstdint>

struct SKRXGuideRecording {
    CString input; // the input plug-in's name
    CString multiplex; // the multiplex's name in that input
    unsigned short originalNetworkId = 0;
    unsigned short transportStreamId = 0;
    unsigned short serviceId = 0;
    CString serviceName; // UTF-8
    unsigned short eventId = 0;
    CString title; // UTF-8
    int64_t start = 0; // UTC seconds
    int64_t duration = 0; // seconds
};
