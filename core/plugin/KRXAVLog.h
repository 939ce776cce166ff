#pragma once
// The A/V log: one CSV line per picture presented and per sound buffer
// released, so that a run can be checked for timing afterwards. Writers on
// any thread; nothing is written while no log is open. Each line goes out
// whole or not at all, and the first line lost is reported as an output fault.
#include "platform/CString.h"

class CKRXAVLog
{
public:
    // Starts a new log file; false with the reason when it cannot be created.
    static bool Open(const CString& path, CString& error);
    static void Close();
    static bool IsOpen();
    // Appends one line; the line break is added here.
    static void Write(const CString& line);
};
