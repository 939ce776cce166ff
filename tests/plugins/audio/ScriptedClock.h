#pragma once
// A programme clock that reads whatever the test last set.
#include "stream/DVBProgramClock.h"

#include <atomic>

class CScriptedClock : public CDVBProgramClock
{
public:
    bool GetProgramClock(int64_t& clock, bool) override
    {
        clock = value;
        return valid;
    }
    std::atomic<int64_t> value { 0 };
    std::atomic<bool> valid { true };
};
