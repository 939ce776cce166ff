#pragma once
// One version of a subtitle page with the times that say when it shows: a
// painted page replaces the one shown, a blank one erases it.
#include "plugin/DVBTeletextPage.h"

#include <memory>

struct CDVBTeletextCaption {
    std::unique_ptr<CDVBTeletextPage> page;
    unsigned long timeStampFlags = 0; // DVB_PTS_PRESENT
    int64_t pts = 0;
    // The programme clock when it was received, if the clock was running.
    bool clocked = false;
    int64_t receiptClock = 0;
};
