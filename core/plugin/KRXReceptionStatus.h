#pragma once
// The one-line reception status the program shows for an open multiplex, made
// from what the transport stream receiver and its source report.
#include "platform/CString.h"
#include "stream/DVBStreamErrors.h"

// The stream's faults are added only when there were any.
CString FormatReceptionStatus(int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus,
    const CDVBErrorCounts& errors);
// The two texts both status displays are made of: "Data is being received at
// 24.13 megabits per second" (without an ending) and "No data is being received 3.".
CString FormatDataRate(int bitrate);
CString FormatNoData(int secondsSinceStart);
// "3 continuity errors, 1 sync loss (5 bytes skipped)"; empty when there were none.
CString FormatErrorCounts(const CDVBErrorCounts& errors);
// "A/V +12.5 ms" (positive: sound behind the picture); beyond a few seconds
// the clocks have nothing to do with each other, and a number would only mislead.
CString FormatAVOffset(double milliseconds);
