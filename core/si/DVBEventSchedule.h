#pragma once
// Every event one service's EIT announces: present/following and the
// schedule tables, for as many days as the broadcaster sends. Each section
// brings the events it lists; a section sent again in a new version of its
// table replaces the table's earlier sections and their events. Events that
// have ended are dropped on request, so a week of guide stays a week.
//
// Not synchronised: its owner holds a lock around every call.
#include "si/DVBEvent.h"

#include <cstdint>
#include <map>
#include <vector>

class CDVBEITSection;

class CDVBEventSchedule
{
public:
    void Update(const CDVBEITSection& section);
    // Drops the events that ended at or before now (UTC seconds), but not one
    // the broadcaster still says is running.
    void DropEndedBefore(int64_t now);
    // The events, by start time.
    std::vector<CDVBEvent> GetEvents() const;
    size_t GetEventCount() const { return m_events.size(); }
    // True once every section of every segment of the schedule tables up to
    // the last table id has come.
    bool IsComplete() const;

private:
    struct Section {
        unsigned char segmentLastSectionNumber = 0;
        std::vector<unsigned short> eventIds;
    };
    struct Table {
        unsigned char version = 0;
        unsigned char lastSectionNumber = 0;
        std::map<unsigned char, Section> sections;
    };

    void DropSection(const Section& section);
    void DropTable(std::map<unsigned char, Table>::iterator table);
    static bool IsTableComplete(const Table& table);

    std::map<unsigned char, Table> m_tables; // by table id
    std::map<unsigned short, CDVBEvent> m_events; // by event id
    std::map<unsigned short, int> m_listings; // how many sections list each event
    unsigned char m_lastScheduleTableId = 0; // 0 until a schedule table comes
};
