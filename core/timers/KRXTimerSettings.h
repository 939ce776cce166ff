#pragma once
// What the settings say about timers: the padding new timers get ("Timers"/
// "Padding Before" and "Padding After", in minutes: 2 and 5 when unset) and
// the folder their files go into (that of "General"/"Record Path", the home
// folder when unset).
#include "platform/ProfileSettings.h"

#include <cstdint>

class CKRXTimerSettings
{
public:
    explicit CKRXTimerSettings(const CProfileSettings& settings);

    int64_t GetPaddingBefore() const { return m_paddingBefore; } // seconds
    int64_t GetPaddingAfter() const { return m_paddingAfter; }
    // Ends with '/'.
    const CString& GetRecordingFolder() const { return m_recordingFolder; }

private:
    int64_t m_paddingBefore;
    int64_t m_paddingAfter;
    CString m_recordingFolder;
};
