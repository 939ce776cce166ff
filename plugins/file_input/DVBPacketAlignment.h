#pragma once
// Finds where the transport packets of a stream begin, for files that were cut
// anywhere: the first offset holding a sync byte that repeats at 188-byte
// spacing for several packets (as many as the data holds, up to five).
#include <cstddef>

constexpr unsigned char DVB_SYNC_BYTE = 0x47;
constexpr size_t DVB_ALIGNMENT_CONFIRMATIONS = 5;

// The offset of the first whole packet in data, or -1 when there is none.
long FindPacketAlignment(const unsigned char* data, size_t size);
