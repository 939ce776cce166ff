#pragma once
// How a sound decoder takes its input: the reader copies one queued chunk, or
// the first size bytes of it (the rest comes with the next call), to
// destination and sets hasTime and time (PTS / 2) when the chunk starts with a
// time-stamped PES packet; 0 means the input has ended. The stop test says
// whether the receiver is being closed.
#include <cstdint>
#include <functional>

using DVBChunkReader
    = std::function<unsigned long(unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time)>;
using DVBStopTest = std::function<bool()>;
