// Arbitrary bytes through the packet aligner, once as one read and once in
// reads of varying length (each copied into a buffer of exactly its size so
// that a read past it shows). Where the reads end must not matter: both give
// the same packets and the same counts. Every byte ends up in a packet, among
// the bytes skipped, or in the little kept for the next read.
#include "stream/DVBPacketAligner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {
// The most an aligner keeps back for the next read: three sync bytes' span.
constexpr size_t kMostKept = 2 * DVB_PACKET_SIZE;

struct Outcome {
    uint64_t packets = 0;
    uint64_t hash = 14695981039346656037ull;

    void Add(const unsigned char* packet)
    {
        if (packet[0] != DVB_SYNC_BYTE)
            __builtin_trap();
        packets++;
        for (size_t i = 0; i < DVB_PACKET_SIZE; i++)
            hash = (hash ^ packet[i]) * 1099511628211ull;
    }
};

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes give the read lengths, the rest is the stream.
    const size_t lengths[2] = { size_t(data[0]) * 3 + 1, size_t(data[1]) * 7 + 1 };
    data += 2;
    size -= 2;

    CDVBPacketAligner whole;
    Outcome wholeOutcome;
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size]);
    std::memcpy(copy.get(), data, size);
    whole.Feed(copy.get(), size, [&wholeOutcome](unsigned char* packet) { wholeOutcome.Add(packet); });

    CDVBPacketAligner split;
    Outcome splitOutcome;
    size_t fed = 0;
    for (int read = 0; fed < size; read++) {
        const size_t length = std::min(lengths[read % 2], size - fed);
        std::unique_ptr<unsigned char[]> part(new unsigned char[length]);
        std::memcpy(part.get(), data + fed, length);
        split.Feed(part.get(), length, [&splitOutcome](unsigned char* packet) { splitOutcome.Add(packet); });
        fed += length;
    }

    Check(splitOutcome.packets == wholeOutcome.packets && splitOutcome.hash == wholeOutcome.hash);
    Check(split.GetSyncLosses() == whole.GetSyncLosses() && split.GetBytesSkipped() == whole.GetBytesSkipped());
    const uint64_t accounted = wholeOutcome.packets * DVB_PACKET_SIZE + whole.GetBytesSkipped();
    Check(accounted <= size && size - accounted <= kMostKept);
    return 0;
}
