#pragma once
// The byte source every input plug-in implements. The receive thread is its
// only caller apart from Initialise/DeInitialise and the status display. It
// must deliver whole, aligned 188-byte packets.
#include "platform/CString.h"

#include <cstdint>

constexpr unsigned long DVB_DEFAULT_READ_BUFFER_SIZE = 0x2F000; // 1,024 packets

class CDVBTransportStreamSource
{
public:
    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBTransportStreamSource() = default;
    virtual bool Initialise() { return false; }
    virtual bool DeInitialise() { return false; }
    virtual bool Start() { return false; }
    virtual bool Stop() { return false; }
    // Places up to size bytes in buffer; returns the count, 0 for none.
    virtual unsigned long ReadBuffer(unsigned char* /*buffer*/, unsigned long /*size*/) { return 0; }
    virtual unsigned long GetSuggestedBufferSize() { return DVB_DEFAULT_READ_BUFFER_SIZE; }
    // Once a second with the current bitrate in bits per second (0 while none is known).
    virtual void NotifyBitrate(int /*bitsPerSecond*/) { }
    virtual void OnEverySecond() { }
    virtual void GetStatus(CString& text) { text = ""; }
    // Asks for the stream to be delivered once, as fast as it is read, rather
    // than at its broadcast pace (for analysing a file); set before Start.
    // False from a source that cannot, such as a live one.
    virtual bool SetSinglePass(bool /*singlePass*/) { return false; }
    // True once a single-pass source has delivered all it has. Reads and their
    // processing alternate on the receive thread, so every read it returned has
    // then been handed to the receivers.
    virtual bool HasEnded() { return false; }
    // Asked after each read that delivered data: true when that read began the
    // stream again (a file playing in a loop), so that the receiver does not
    // take the jump for lost packets.
    virtual bool HasStartedAgain() { return false; }
    // The 90 kHz ticks (on the 33-bit circle) the receiver adds to every PCR,
    // PTS and DTS of the last read. A source that plays its stream again
    // carries its time on this way, so that the presenters see one timeline
    // and play the last pass out before the next joins it.
    virtual uint64_t GetTimestampOffset() { return 0; }
    // Asks a source that can to deliver its stream again from the start, its
    // time going on as at a loop; false from one that cannot (a live one).
    // Any thread may ask.
    virtual bool PlayFromStart() { return false; }
    // How long the receive thread may sleep before it reads again: 0 when
    // data is due now. A source that cannot tell is asked every millisecond.
    virtual uint32_t GetMillisecondsUntilDue() { return 1; }
};
