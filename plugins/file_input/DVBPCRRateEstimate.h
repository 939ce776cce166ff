#pragma once
// A first estimate of a stream's bitrate from the PCRs at the start of a file:
// the packets between the first and the last PCR of one PID over the time
// those PCRs span. It lets playback start at about the right pace instead of
// a fixed default, until the receiver has measured the rate itself.
#include <cstddef>

// Bits per second, or 0 when the data holds fewer than two usable PCRs of
// one PID. The data must begin on a packet boundary.
int EstimateBitrateFromPCRs(unsigned char* data, size_t size);
