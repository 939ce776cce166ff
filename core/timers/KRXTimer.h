#pragma once
// One recording the user asked for: what to receive (input, multiplex,
// service), when (the programme's own times, widened by the padding), into
// which file, and how it went. Times are UTC seconds since 1970.
#include "platform/CString.h"

#include <cstdint>

enum class EKRXTimerState { Waiting, Recording, Done, Failed };

struct CKRXTimer {
    // The padding the settings give when they say nothing.
    static constexpr int64_t kDefaultPaddingBefore = 2 * 60;
    static constexpr int64_t kDefaultPaddingAfter = 5 * 60;
    // No event: the timer records by its times alone.
    static constexpr int kNoEvent = -1;

    int id = 0;
    CString input;
    CString multiplex;
    unsigned short originalNetworkId = 0;
    unsigned short transportStreamId = 0;
    unsigned short serviceId = 0; // 0: found by its name when the recording starts
    CString serviceName;
    int64_t start = 0;
    int64_t stop = 0;
    int64_t paddingBefore = kDefaultPaddingBefore;
    int64_t paddingAfter = kDefaultPaddingAfter;
    int eventId = kNoEvent;
    CString title;
    // Follow the event's running status where the broadcaster sends it.
    bool followEvent = true;
    // Where it records, as a pattern (see CKRXTimerFileName).
    CString filePattern;
    EKRXTimerState state = EKRXTimerState::Waiting;
    // Why it failed, or what went wrong while it recorded.
    CString reason;
    // The other timer it needs the adapter at the same time as; empty when none.
    CString conflict;
    // The file it went to, once it has started.
    CString file;

    int64_t GetRecordStart() const { return start - paddingBefore; }
    int64_t GetRecordStop() const { return stop + paddingAfter; }
    bool HasEvent() const { return eventId != kNoEvent; }

    // One line of the timers file: tab-separated "key=value" fields.
    CString ToLine() const;
    // False when the line lacks a field a timer needs or holds one it cannot read.
    static bool FromLine(const CString& line, CKRXTimer& timer);

    static const char* StateName(EKRXTimerState state);
    bool operator==(const CKRXTimer&) const = default;
};
