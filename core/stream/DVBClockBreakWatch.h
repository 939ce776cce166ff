#pragma once
// Tells a receiver, at each piece of data it takes in, whether the programme
// clock broke since the piece before (see CDVBPCRReceiver): what it holds
// from before then belongs to another timeline. The first look only notes
// where the count stands. One thread looks.
#include "stream/DVBProgramClock.h"

class CDVBClockBreakWatch
{
public:
    bool HasBroken(const CDVBProgramClock* clock)
    {
        if (!clock)
            return false;
        const unsigned count = clock->GetDiscontinuityCount();
        const bool broken = m_looked && count != m_count;
        m_count = count;
        m_looked = true;
        return broken;
    }

private:
    unsigned m_count = 0;
    bool m_looked = false;
};
