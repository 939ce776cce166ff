#pragma once
// The user's timers, as the timers file keeps them, and the rules for adding
// one: each gets a number of its own, and one that needs an adapter on
// another multiplex while an earlier timer has it is marked as a conflict
// (both are kept: the user decides which goes).
#include "timers/KRXTimer.h"
#include "viewing/KRXGuideRecording.h"

#include <vector>

class CKRXTimerList
{
public:
    // What the guide knows of a programme the user asks to record.
    using Programme = SKRXGuideRecording;

    // The file that keeps them, and what one line of it holds.
    static constexpr const char* kFileName = "Timers";
    static constexpr const char* kEntryName = "a timer";

    // The input that plays files: its recordings never compete for an adapter.
    static constexpr const char* kFileInput = "File";

    // Gives the timer the next free number and adds it; returns the conflict
    // it was marked with, or an empty text.
    CString Add(CKRXTimer timer);
    // A timer for the programme with the given padding, following its event.
    // Returns the conflict text, empty when there is none; the new timer is the last.
    CString AddForEvent(const Programme& programme, int64_t paddingBefore, int64_t paddingAfter);
    // False when there is no timer of that number.
    bool Remove(int id);
    // Null when there is no timer of that number.
    CKRXTimer* Find(int id);
    std::vector<CKRXTimer>& GetTimers() { return m_timers; }
    const std::vector<CKRXTimer>& GetTimers() const { return m_timers; }

    // What a timer's conflict says: the first other timer that needs the same
    // adapter tuned elsewhere while this one records. Empty when there is none.
    CString DescribeConflict(const CKRXTimer& timer) const;
    // The whole list as the timers file holds it, and back; Parse keeps the
    // whole lines and returns false with the number of the first it cannot read.
    CString Format() const;
    bool Parse(const CString& text, int& badLine);

private:
    const CKRXTimer* FindConflict(const CKRXTimer& timer) const;

    std::vector<CKRXTimer> m_timers;
};
