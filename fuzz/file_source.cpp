// Arbitrary bytes played as a looping file on a scripted clock that moves on
// as long as the source says to wait: whatever its PCRs say, every read
// delivers whole packets, a chunk said to be due is delivered, and no chunk
// waits for long, loop after loop.
#include "DVBFileTransportStreamSource.h"

#include "stream/DVBPIDReceiver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {
// Longer than any chunk may be held back: a whole chunk at the lowest rate
// the file's start may give.
constexpr uint32_t kLongestWait = 10000;
constexpr uint32_t kLongestRun = 60000;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The input as a regular file without touching the disk.
int MemoryFile(const uint8_t* data, size_t size)
{
    const int file = memfd_create("file_source", MFD_CLOEXEC);
    Check(file >= 0 && write(file, data, size) == static_cast<ssize_t>(size));
    return file;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int file = MemoryFile(data, size);
    CDVBFileTransportStreamSource source("/proc/self/fd/" + std::to_string(file));
    uint32_t now = 0xFFFFF000; // the millisecond clock wraps during the run
    source.SetClock([&now] { return now; });
    if (source.Start()) {
        std::vector<unsigned char> buffer(CDVBFileTransportStreamSource::ChunkSize);
        const uint32_t start = now;
        uint32_t lastDelivery = now;
        uint64_t delivered = 0;
        for (uint32_t reads = 0; delivered < 3 * size && now - start < kLongestRun && reads < kLongestRun; ++reads) {
            // Sleeps as long as the source says, as the receive thread does.
            const uint32_t wait = std::min(source.GetMillisecondsUntilDue(), kLongestWait + 1);
            now += wait;
            const unsigned long got = source.ReadBuffer(buffer.data(), buffer.size());
            Check(got % DVB_PACKET_SIZE == 0);
            Check(got != 0 || wait != 0); // what it said was due, it delivers
            if (got != 0)
                lastDelivery = now;
            Check(now - lastDelivery <= kLongestWait);
            delivered += got;
        }
        source.Stop();
    }
    close(file);
    return 0;
}
