#pragma once
// The one-line reception status the program shows for an open multiplex, made
// from what the transport stream receiver and its source report.
#include "platform/CString.h"
#include "stream/DVBStreamErrors.h"

// The stream's faults are added only when there were any.
CString FormatReceptionStatus(int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus,
    const CDVBErrorCounts& errors);
// "3 continuity errors, 1 sync loss (5 bytes skipped)"; empty when there were none.
CString FormatErrorCounts(const CDVBErrorCounts& errors);
