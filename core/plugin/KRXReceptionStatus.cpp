#include "plugin/KRXReceptionStatus.h"

CString FormatReceptionStatus(int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus)
{
    // Until the first one-second pass the receiver cannot tell whether data flows.
    if (secondsSinceStart <= 0)
        return "Looking for service information...";
    if (!dataBeingReceived)
        return FormatString("No data is being received %d.", secondsSinceStart);
    CString text = FormatString("Data is being received at %.2lf megabits per second", bitrate * 0.000001);
    if (!sourceStatus.empty())
        text += " [" + sourceStatus + "]";
    return text;
}
