#pragma once
// A first estimate of a stream's bitrate from the start of a file, so that
// playback starts at about the right pace instead of a fixed default until the
// receiver has measured the rate itself. The data must begin on a packet
// boundary; both give bits per second, or 0 when the data cannot tell.
#include <cstddef>
#include <cstdint>

// Above this a stream's clocks are more likely spliced or broken than true.
constexpr uint64_t HighestPlausibleBitrate = 200000000;

// The PCR of a packet of that PID (a packet that starts with the sync byte);
// false for any other packet.
bool GetPCROfPID(unsigned char* packet, int pid, uint64_t& pcr);

// The PID of the first packet that carries a PCR; -1 when none does.
int FindPCRPID(unsigned char* data, size_t size);

// The packets between the first and the last PCR of that PID over the time
// those PCRs span; 0 without two usable PCRs of one PID.
int EstimateBitrateFromPCRs(unsigned char* data, size_t size);

// For streams without PCRs: the packets between the first and the last PES
// time stamp (DTS, else PTS) of the PID whose stamps span the most packets,
// over the time those stamps span; 0 without two usable stamps of one PID.
int EstimateBitrateFromTimestamps(unsigned char* data, size_t size);
