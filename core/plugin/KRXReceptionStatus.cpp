#include "plugin/KRXReceptionStatus.h"

#include <cmath>

namespace {
// Beyond this, picture and sound are not merely apart but on unrelated clocks.
constexpr double kOutOfStepMs = 5000;

CString Count(uint64_t count, const char* one, const char* many)
{
    return FormatString("%" PRIu64 " %s", count, count == 1 ? one : many);
}

void AddCount(CString& text, uint64_t count, const char* one, const char* many)
{
    if (count == 0)
        return;
    if (!text.empty())
        text += ", ";
    text += Count(count, one, many);
}
} // namespace

CString FormatDataRate(int bitrate)
{
    return FormatString("Data is being received at %.2lf megabits per second", bitrate * 0.000001);
}

CString FormatNoData(int secondsSinceStart)
{
    return FormatString("No data is being received %d.", secondsSinceStart);
}

CString FormatErrorCounts(const CDVBErrorCounts& errors)
{
    CString text;
    AddCount(text, errors.continuityErrors, "continuity error", "continuity errors");
    AddCount(text, errors.transportErrors, "transport error", "transport errors");
    AddCount(text, errors.syncLosses, "sync loss", "sync losses");
    if (errors.syncLosses != 0)
        text += " (" + Count(errors.bytesSkipped, "byte", "bytes") + " skipped)";
    AddCount(text, errors.crcErrors, "CRC error", "CRC errors");
    return text;
}

CString FormatReceptionStatus(int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus,
    const CDVBErrorCounts& errors)
{
    // Until the first one-second pass the receiver cannot tell whether data flows.
    if (secondsSinceStart <= 0)
        return "Looking for service information...";
    CString text;
    if (!dataBeingReceived) {
        text = FormatNoData(secondsSinceStart);
    } else {
        text = FormatDataRate(bitrate);
        if (!sourceStatus.empty())
            text += " [" + sourceStatus + "]";
    }
    if (errors.Any())
        text += " - " + FormatErrorCounts(errors);
    return text;
}

CString FormatAVOffset(double milliseconds)
{
    if (!(std::fabs(milliseconds) <= kOutOfStepMs))
        return "A/V out of step";
    return FormatString("A/V %+.1f ms", milliseconds);
}
