#pragma once
// The events of one service, one per running status: the most recent event
// seen with that status. "Now" has status 4 (running), "next" status 1.
#include "platform/CriticalSection.h"
#include "si/DVBOwningList.h"
#include "si/DVBScheduleEntry.h"

class CDVBEITSection;
struct CDVBEITEntry;

// Bits of the answer of GetNowAndNextInformation.
enum : int { DVB_HAS_NOW = 1, DVB_HAS_NEXT = 2 };

class CDVBSchedule
{
public:
    CDVBSchedule() = default;
    CDVBSchedule(const CDVBSchedule&) = delete;
    CDVBSchedule& operator=(const CDVBSchedule&) = delete;
    virtual ~CDVBSchedule();

    // Takes in every event of the section; always 1.
    int Update(CDVBEITSection* section);
    // Copies the running event into now and the following one into next; the
    // answer has DVB_HAS_NOW and DVB_HAS_NEXT set for those found. An
    // argument whose bit is clear is left as it was.
    int GetNowAndNextInformation(CDVBScheduleEntry* now, CDVBScheduleEntry* next);
    // Makes a decoded (UTF-8) event text displayable: control characters,
    // DEL and bytes that are not part of a UTF-8 character become line
    // breaks, '&' becomes '+'; other characters are kept whole. Appends to out.
    static void ReformatDescription(const CString& text, CString& out);

protected:
    CDVBScheduleEntry* GetOrAddScheduleEntry(int runningStatus);

private:
    void UpdateEntry(CDVBEITSection* section, const CDVBEITEntry* event);

    CDVBOwningList<CDVBScheduleEntry> m_entries;
    CCriticalSection m_lock;
};
