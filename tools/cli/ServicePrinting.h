#pragma once
// The services of a received multiplex as korrix-cli prints them: each with
// its names, types, now and next events and components, then the stream's
// faults.
#include <ostream>

class CDVBTransportStreamReceiver;

// Every service that says it has present/following events has its now and
// next, unless the stream carries none at all.
bool HasNowAndNextWhereAnnounced(CDVBTransportStreamReceiver* receiver);
// The same, without taking a stream that has shown no events yet as one
// that carries none: for live streams, whose events come at their own pace.
bool HasAnnouncedNowAndNext(CDVBTransportStreamReceiver* receiver);
// False when the receiver knows no service.
bool PrintServices(std::ostream& out, CDVBTransportStreamReceiver* receiver);
