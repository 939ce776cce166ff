#pragma once
// Moves the time stamps of one transport packet on by a number of 90 kHz
// ticks (on the 33-bit circle): the PCR in its adaptation field and the PTS
// and DTS of a PES packet that starts in it. A file playing in a loop goes on
// in time this way, so every pass joins the one before as one stream.
#include <cstdint>

void DVBShiftTimestamps(unsigned char* packet, uint64_t ticks);
