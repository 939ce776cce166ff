// Arbitrary bytes as the payload of time-stamped MPEG audio PES packets,
// through the audio receiver, the decoder and the 16-bit dither converter
// into an in-memory device: no input may crash it, make it read or write out
// of bounds, or keep it from ending.
#include "SynchronousAudioReceiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSynchronousAudioReceiver receiver;
    receiver.Play(MakeAudioPackets(ts::Bytes(data, data + size), 2000, 2160));
    return 0;
}
