#pragma once
// The A/V log: one CSV line per picture presented and per sound buffer
// released, so that a run can be checked for timing afterwards. Writers on
// any thread; nothing is written while no log is open.
#include "platform/CString.h"

class CKRXAVLog
{
public:
    // Starts a new log file; false when it cannot be created.
    static bool Open(const CString& path);
    static void Close();
    static bool IsOpen();
    // Appends one line; the line break is added here.
    static void Write(const CString& line);
};
