#pragma once
// One event as a schedule keeps it: local times, pre-formatted texts, and
// the title and description as the raw bytes of the short event descriptor.
#include "platform/CString.h"
#include "platform/SystemTime.h"

// Running status values of EN 300 468.
enum : unsigned char {
    DVB_RUNNING_UNDEFINED = 0,
    DVB_RUNNING_NOT_RUNNING = 1,
    DVB_RUNNING_STARTS_SOON = 2,
    DVB_RUNNING_PAUSING = 3,
    DVB_RUNNING_RUNNING = 4,
};

class CDVBScheduleEntry
{
public:
    CDVBScheduleEntry() = default;
    CDVBScheduleEntry(const CDVBScheduleEntry&) = default;
    CDVBScheduleEntry& operator=(const CDVBScheduleEntry&) = default;
    virtual ~CDVBScheduleEntry() = default;

    void CopyFrom(const CDVBScheduleEntry* other) { *this = *other; }

    unsigned short m_serviceId = 0xFFFF;
    unsigned short m_transportStreamId = 0xFFFF;
    unsigned char m_runningStatus = 0xFF;
    CString m_startDateText; // "2004/07/26"
    CString m_startTimeText; // "19:30"
    CString m_durationText;
    CString m_title;
    CString m_description;
    SYSTEMTIME m_start; // local
    SYSTEMTIME m_end; // local
};
