#pragma once
// The main window's status line: what is open and how reception is going,
// with whether things are working (which picks the status icon).
#include "platform/CString.h"
#include "stream/DVBStreamErrors.h"

class CDVBTransportStreamReceiver;
class CDVBTransportStreamSource;
class CKRXViewingFlow;

// What the receiver and its source report at one moment.
struct SKRXReceptionFigures {
    int secondsSinceStart = 0;
    bool dataBeingReceived = false;
    int bitrate = 0; // bits per second
    CString sourceStatus;
    CDVBErrorCounts errors;
};

struct SKRXViewingStatus {
    CString text;
    bool working = false;
};

SKRXReceptionFigures ReadReceptionFigures(CDVBTransportStreamReceiver& receiver, CDVBTransportStreamSource& source);

// Without figures (no multiplex open) the text tells whether there is a
// multiplex to open at all.
SKRXViewingStatus DescribeViewingStatus(const SKRXReceptionFigures* figures, int multiplexCount);

// What the service being played adds to the status line: which decoders play
// it (" | decoders: H.264/HEVC Video, AV Audio"); nothing while none does.
CString DescribeDecoders(const CKRXViewingFlow& flow);
