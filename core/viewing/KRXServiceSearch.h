#pragma once
// Finding the service a user names (on the command line, or as the one
// watched last), by its programme number or its exact name, among the
// programmes a receiver has found so far. Both front ends use it.
#include "platform/CString.h"

class CDVBTransportStreamReceiver;

enum class EServiceSearch {
    Found, // known, with its components
    Waiting, // not (fully) known yet
    Absent, // the service information is complete and has no such service
};

// A number matches before a name, so a service named "2" is found by name
// only when no programme has the number 2.
EServiceSearch FindService(
    CDVBTransportStreamReceiver* receiver, const CString& service, unsigned short& programNumber);

// The service the network numbers so (a logical channel number typed on the
// keys), listed or hidden; without one, the programme of that number when the
// multiplex numbers none of its services. False when neither is known.
bool FindChannel(CDVBTransportStreamReceiver* receiver, unsigned number, unsigned short& programNumber);

// Why a service that is listed has no components yet after the search:
// "service '60' is listed, but its PMT (PID 0x0100) could not be read: ...".
// Empty when no such service is listed, or its PMT has come.
CString DescribeUnreadPMT(CDVBTransportStreamReceiver* receiver, const CString& service);
