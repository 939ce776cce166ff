#include "si/DVBSchedule.h"

#include "platform/UTF8.h"
#include "si/DVBEITSection.h"
#include "si/DVBShortEventDescriptor.h"
#include "si/DVBTime.h"

#include <memory>

CDVBSchedule::~CDVBSchedule()
{
    CSingleLock hold(&m_lock, true);
    m_entries.DeleteAll();
}

int CDVBSchedule::Update(CDVBEITSection* section)
{
    CSingleLock hold(&m_lock, true);
    for (const CDVBEITEntry* event : section->GetEntries())
        UpdateEntry(section, event);
    return 1;
}

void CDVBSchedule::UpdateEntry(CDVBEITSection* section, const CDVBEITEntry* event)
{
    CDVBScheduleEntry* entry = GetOrAddScheduleEntry(event->runningStatus);
    entry->m_serviceId = section->GetServiceId();
    entry->m_transportStreamId = section->GetTransportStreamId();

    const int64_t start = DVBTimeToUTCSeconds(event->startDate, event->startTime);
    entry->m_start = UTCSecondsToLocalTime(start);
    entry->m_end = UTCSecondsToLocalTime(start + BCDTimeToSeconds(event->duration));
    entry->m_startDateText
        = FormatString("%02d/%02d/%02d", entry->m_start.wYear, entry->m_start.wMonth, entry->m_start.wDay);
    entry->m_startTimeText = FormatString("%02d:%02d", entry->m_start.wHour, entry->m_start.wMinute);
    entry->m_durationText = FormatDVBDuration(event->duration);

    // Without a short event descriptor the entry keeps its earlier title and text.
    if (auto* shortEvent = dynamic_cast<CDVBShortEventDescriptor*>(event->descriptors.Find(DVB_TAG_SHORT_EVENT))) {
        entry->m_title = shortEvent->GetEventName();
        entry->m_description = shortEvent->GetText();
    }
}

CDVBScheduleEntry* CDVBSchedule::GetOrAddScheduleEntry(int runningStatus)
{
    for (CDVBScheduleEntry* entry : m_entries) {
        if (entry->m_runningStatus == runningStatus)
            return entry;
    }
    auto entry = std::make_unique<CDVBScheduleEntry>();
    entry->m_runningStatus = static_cast<unsigned char>(runningStatus);
    return m_entries.Append(std::move(entry));
}

int CDVBSchedule::GetNowAndNextInformation(CDVBScheduleEntry* now, CDVBScheduleEntry* next)
{
    CSingleLock hold(&m_lock, true);
    int result = 0;
    for (const CDVBScheduleEntry* entry : m_entries) {
        if (entry->m_runningStatus == DVB_RUNNING_RUNNING) {
            now->CopyFrom(entry);
            result |= DVB_HAS_NOW;
        } else if (entry->m_runningStatus == DVB_RUNNING_NOT_RUNNING) {
            next->CopyFrom(entry);
            result |= DVB_HAS_NEXT;
        }
    }
    return result;
}

void CDVBSchedule::ReformatDescription(const CString& text, CString& out)
{
    for (size_t i = 0; i < text.size();) {
        const UTF8Sequence sequence = ReadUTF8Sequence(text.data() + i, text.size() - i);
        const char32_t c = sequence.codePoint;
        // A byte that is not part of a character is shown as the break it was.
        if (sequence.status != UTF8Sequence::VALID) {
            out += "\r\n";
            ++i;
            continue;
        }
        if (c < 32 || c == 127 || (c >= 0x80 && c <= 0x9F))
            out += "\r\n";
        else if (c == '&')
            out += '+';
        else
            out.append(text, i, sequence.length);
        i += sequence.length;
    }
}
