#pragma once
// The file a recording goes to and what the window says of it while it runs.
// A recording never replaces an earlier one by itself: by default the date
// and time go into the name ("recording 2026-12-09 20-15-03.ts"), and a name
// already taken gets a number too.
#include "platform/CString.h"

#include <cstdint>
#include <ctime>
#include <functional>

class CKRXRecordingName
{
public:
    // The date and time put before the file name's extension.
    static CString Stamp(const CString& path, const std::tm& when);
    // The path, or the first "name (2).ext", "name (3).ext"... not taken.
    static CString FirstFree(const CString& path, const std::function<bool(const CString&)>& taken);
    // "0:01:23, 2.0 MB": how long and how much has been recorded.
    static CString FormatProgress(uint64_t seconds, uint64_t bytes);
};
