#pragma once
// What records for the timer scheduler: the program's window and the headless
// recorder each have their own. The scheduler decides when; this does it.
#include "platform/CString.h"

struct CKRXTimer;

class CKRXTimerRecorder
{
public:
    enum class EStart { Started, Later, Failed };

    virtual ~CKRXTimerRecorder() = default;
    // Starts recording the timer's service into the file. Later when it
    // cannot start yet but may on a later tick (the user is being asked);
    // Failed with the reason.
    virtual EStart StartRecording(const CKRXTimer& timer, const CString& file, CString& error) = 0;
    // Ends the recording; false with the reason when the file did not take everything received.
    virtual bool StopRecording(const CKRXTimer& timer, CString& error) = 0;
    // Empty while all is well, else what went wrong (no signal, the disc
    // full); fatal when the recording cannot go on.
    virtual CString CheckRecording(const CKRXTimer& timer, bool& fatal) = 0;
    // The running status the broadcaster gives the timer's event; 0 while it is not known.
    virtual unsigned char GetRunningStatus(const CKRXTimer& timer) = 0;
};
