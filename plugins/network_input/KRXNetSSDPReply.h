#pragma once
// A reply to an SSDP search ("HTTP/1.1 200 OK" and headers) and the parts of
// a SAT>IP server's device description the device list shows.
#include "platform/CString.h"

struct KRXNetSSDPReply {
    CString location; // the device description's URL
    CString searchTarget;
    CString uniqueName;
    CString server;
};

// False unless the text is a 200 reply with a location.
bool ParseSSDPReply(const CString& text, KRXNetSSDPReply& reply);

struct KRXNetSatIpDevice {
    CString friendlyName;
    CString capabilities; // "DVBS2-2,DVBT-1": systems and their tuner counts
};

// Reads the description's friendlyName and X_SATIPCAP; false without a name.
bool ParseSatIpDeviceDescription(const CString& xml, KRXNetSatIpDevice& device);
