#include "si/DVBEventSchedule.h"

#include "si/DVBEITSection.h"
#include "si/DVBScheduleEntry.h"

#include <algorithm>

namespace {
constexpr unsigned char FirstScheduleTableId = 0x50;

bool IsScheduleTable(unsigned char tableId)
{
    return tableId >= FirstScheduleTableId;
}

// Schedule tables of the actual transport stream run from 0x50, of others from 0x60.
unsigned char FirstTableOfGroup(unsigned char tableId)
{
    return tableId & 0xF0;
}
} // namespace

void CDVBEventSchedule::Update(const CDVBEITSection& section)
{
    auto table = m_tables.find(section.GetTableId());
    if (table != m_tables.end() && table->second.version != section.GetVersionNumber())
        DropTable(table);
    Table& kept = m_tables[section.GetTableId()];
    kept.version = section.GetVersionNumber();
    kept.lastSectionNumber = section.GetLastSectionNumber();

    Section& listed = kept.sections[section.GetSectionNumber()];
    DropSection(listed);
    listed.segmentLastSectionNumber = section.GetSegmentLastSectionNumber();
    listed.eventIds.clear();
    for (const CDVBEITEntry* entry : section.GetEntries()) {
        CDVBEvent event = CDVBEvent::Read(*entry);
        // Schedule tables send the status undefined; present/following's stays.
        const auto known = m_events.find(event.eventId);
        if (event.runningStatus == DVB_RUNNING_UNDEFINED && known != m_events.end())
            event.runningStatus = known->second.runningStatus;
        m_events[event.eventId] = std::move(event);
        m_listings[entry->eventId]++;
        listed.eventIds.push_back(entry->eventId);
    }
    if (IsScheduleTable(section.GetTableId()))
        m_lastScheduleTableId = section.GetLastTableId();
}

void CDVBEventSchedule::DropSection(const Section& section)
{
    for (unsigned short eventId : section.eventIds) {
        auto listings = m_listings.find(eventId);
        if (listings == m_listings.end() || --listings->second > 0)
            continue;
        m_listings.erase(listings);
        m_events.erase(eventId);
    }
}

void CDVBEventSchedule::DropTable(std::map<unsigned char, Table>::iterator table)
{
    for (const auto& [number, section] : table->second.sections)
        DropSection(section);
    m_tables.erase(table);
}

void CDVBEventSchedule::DropEndedBefore(int64_t now)
{
    // An event running late is not over yet: timers that follow it need to see it end.
    std::erase_if(m_events, [now](const auto& item) {
        return item.second.GetEnd() <= now && item.second.runningStatus != DVB_RUNNING_RUNNING
            && item.second.runningStatus != DVB_RUNNING_PAUSING;
    });
}

std::vector<CDVBEvent> CDVBEventSchedule::GetEvents() const
{
    std::vector<CDVBEvent> events;
    events.reserve(m_events.size());
    for (const auto& [id, event] : m_events)
        events.push_back(event);
    std::stable_sort(
        events.begin(), events.end(), [](const CDVBEvent& a, const CDVBEvent& b) { return a.start < b.start; });
    return events;
}

bool CDVBEventSchedule::IsComplete() const
{
    if (m_lastScheduleTableId < FirstScheduleTableId)
        return false;
    for (unsigned tableId = FirstTableOfGroup(m_lastScheduleTableId); tableId <= m_lastScheduleTableId; ++tableId) {
        const auto table = m_tables.find(static_cast<unsigned char>(tableId));
        if (table == m_tables.end() || !IsTableComplete(table->second))
            return false;
    }
    return true;
}

// A table is sent in segments of eight sections; each segment's sections say
// where the segment ends, and every one up to there must be present.
bool CDVBEventSchedule::IsTableComplete(const Table& table)
{
    for (unsigned first = 0; first <= table.lastSectionNumber; first += 8) {
        const auto head = table.sections.find(static_cast<unsigned char>(first));
        if (head == table.sections.end())
            return false;
        const unsigned last = std::min<unsigned>(head->second.segmentLastSectionNumber, first + 7);
        for (unsigned number = first + 1; number <= last; ++number)
            if (!table.sections.count(static_cast<unsigned char>(number)))
                return false;
    }
    return true;
}
