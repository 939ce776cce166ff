#pragma once
// The file a timer records to, from its pattern: "Title" and "Service" stand
// for the programme's title and the service's name, "YYYY", "DD" and "HH" for
// the year, day and hour the recording starts (local time), and "MM" for the
// month, or the minute when the placeholder before it is "HH". A pattern that is not an
// absolute path goes into the folder given.
#include "platform/CString.h"

#include <ctime>

struct CKRXTimer;

class CKRXTimerFileName
{
public:
    static constexpr const char* kDefaultPattern = "Title - Service - YYYY-MM-DD HH-MM.ts";

    // The timer's own pattern, or the default when it has none.
    static CString Expand(const CKRXTimer& timer, const std::tm& localStart, const CString& folder);
    // A name's text made safe as one file name: no '/', no control characters.
    static CString Clean(const CString& text);
};
