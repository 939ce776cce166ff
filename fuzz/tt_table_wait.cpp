// The scan's table wait on arbitrary sections: each input is a run of
// records (a PID byte pair, a length byte, that many section bytes) taken at
// rising times; nothing read may lie beyond a section, and the wait must end.
#include "KRXTTTableWait.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CKRXTTTableWait wait(0);
    uint32_t now = 0;
    size_t at = 0;
    while (at + 3 <= size) {
        const auto pid = static_cast<uint16_t>(((data[at] & 0x1F) << 8) | data[at + 1]);
        const size_t length = data[at + 2];
        at += 3;
        if (at + length > size)
            break;
        // A copy of its own size, so reading past the section is caught.
        const std::vector<uint8_t> section(data + at, data + at + length);
        wait.Take(pid, section.data(), section.size(), now);
        wait.Filters();
        wait.MillisecondsLeft(now);
        at += length;
        now += 50;
    }
    if (!wait.IsDone(now + CKRXTTTableWait::NitLimitMs + CKRXTTTableWait::PmtLimitMs))
        __builtin_trap();
    return 0;
}
