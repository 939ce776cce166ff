#pragma once
// The waits between attempts to reach a stream again: short at first, so a
// brief drop is bridged at once, doubling up to a ceiling low enough that a
// server that returns is found within about a second.
#include <cstdint>

class CKRXNetBackoff
{
public:
    static constexpr uint32_t FirstMs = 100;
    static constexpr uint32_t LongestMs = 1000;

    // The wait before the next attempt.
    uint32_t NextWaitMs();
    // A connection delivered data: the next loss starts from the shortest wait.
    void Reset() { m_waitMs = 0; }

private:
    uint32_t m_waitMs = 0;
};
