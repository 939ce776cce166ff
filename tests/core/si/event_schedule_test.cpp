// The week's schedule of a service: sections assembled in any order, tables
// replaced by their new versions, ended events dropped, and every event
// descriptor the guide shows read from its bytes.
#include "SITestHelpers.h"
#include "si/DVBEITSection.h"
#include "si/DVBEventSchedule.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace si_test;

namespace {

constexpr int64_t Hour = 3600;
// 2026-03-29 00:00 UTC, as MJD.
constexpr uint16_t Day = 0xEEC8;
constexpr int64_t DayStart = 1774742400;

ts::EitEvent Event(uint16_t id, int hour)
{
    ts::EitEvent event;
    event.eventId = id;
    event.start = { Day, uint32_t(hour / 10 << 20 | hour % 10 << 16) };
    event.durationBcd = 0x010000;
    event.runningStatus = 1;
    event.descriptors = ts::ShortEventDescriptor("deu", "Event " + std::to_string(id), "");
    return event;
}

struct SectionPlace {
    uint8_t tableId, version, number, lastNumber, segmentLast, lastTableId;
};

std::unique_ptr<CDVBEITSection> Eit(const SectionPlace& place, const std::vector<ts::EitEvent>& events)
{
    ts::EitHeader header;
    header.tableId = place.tableId;
    header.serviceId = 0x0101;
    header.version = place.version;
    header.sectionNumber = place.number;
    header.lastSectionNumber = place.lastNumber;
    header.segmentLastSectionNumber = place.segmentLast;
    header.lastTableId = place.lastTableId;
    return ParseSection<CDVBEITSection>(ts::EitSection(header, events));
}

std::vector<unsigned short> Ids(const CDVBEventSchedule& schedule)
{
    std::vector<unsigned short> ids;
    for (const CDVBEvent& event : schedule.GetEvents())
        ids.push_back(event.eventId);
    return ids;
}

ts::Bytes Join(std::initializer_list<ts::Bytes> parts)
{
    ts::Bytes joined;
    for (const ts::Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

} // namespace

TEST(EventSchedule, AssemblesSegmentsInAnyOrderAndIsWholeOnlyWithTheLastSectionOfTheLastTable)
{
    // Table 0x50: segment 0 holds sections 0 and 1, segment 1 only section 8
    // (an empty segment still sends one); table 0x51 is the last one.
    std::vector<std::unique_ptr<CDVBEITSection>> sections;
    sections.push_back(Eit({ 0x50, 0, 0, 15, 1, 0x51 }, { Event(1, 0), Event(2, 1) }));
    sections.push_back(Eit({ 0x50, 0, 1, 15, 1, 0x51 }, { Event(3, 2) }));
    sections.push_back(Eit({ 0x50, 0, 8, 15, 8, 0x51 }, {}));
    sections.push_back(Eit({ 0x51, 0, 0, 0, 0, 0x51 }, { Event(9, 23), Event(8, 22) }));
    ASSERT_TRUE(std::all_of(sections.begin(), sections.end(), [](const auto& s) { return s != nullptr; }));

    std::mt19937 shuffle(7);
    for (int order = 0; order < 5; ++order) {
        std::shuffle(sections.begin(), sections.end(), shuffle);
        CDVBEventSchedule schedule;
        for (size_t i = 0; i < sections.size(); ++i) {
            EXPECT_FALSE(schedule.IsComplete()) << "after " << i << " of " << sections.size();
            schedule.Update(*sections[i]);
        }
        EXPECT_TRUE(schedule.IsComplete());
        EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 1, 2, 3, 8, 9 })) << "by start time";
        EXPECT_EQ(schedule.GetEvents().front().start, DayStart);
        EXPECT_EQ(schedule.GetEvents().front().title, "Event 1");

        schedule.DropEndedBefore(DayStart + 2 * Hour); // events 1 and 2 ended then
        EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 3, 8, 9 }));
    }
}

TEST(EventSchedule, ANewVersionReplacesItsTableButKeepsEventsAnotherTableStillLists)
{
    CDVBEventSchedule schedule;
    schedule.Update(*Eit({ 0x4E, 0, 0, 1, 1, 0x4E }, { Event(5, 10) })); // present
    schedule.Update(*Eit({ 0x50, 0, 0, 8, 0, 0x50 }, { Event(5, 10), Event(6, 11) }));
    schedule.Update(*Eit({ 0x50, 0, 8, 8, 8, 0x50 }, { Event(7, 12) }));
    EXPECT_TRUE(schedule.IsComplete());
    EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 5, 6, 7 }));

    // Version 1 moves event 7 to section 0: section 8 of version 0 is stale.
    schedule.Update(*Eit({ 0x50, 1, 0, 8, 0, 0x50 }, { Event(7, 12) }));
    EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 5, 7 })) << "event 5 is still the present event";
    EXPECT_FALSE(schedule.IsComplete()) << "section 8 of version 1 has not come";
    schedule.Update(*Eit({ 0x50, 1, 8, 8, 8, 0x50 }, {}));
    EXPECT_TRUE(schedule.IsComplete());
}

// Timers follow the running status: the schedule tables' undefined status
// must not hide what present/following said, and an event running late is
// not dropped at its scheduled end.
TEST(EventSchedule, KeepsThePresentEventsRunningStatusAndKeepsItPastItsScheduledEnd)
{
    CDVBEventSchedule schedule;
    ts::EitEvent running = Event(5, 10);
    running.runningStatus = 4;
    schedule.Update(*Eit({ 0x4E, 0, 0, 1, 1, 0x4E }, { running, Event(6, 11) }));
    ts::EitEvent scheduled = Event(5, 10);
    scheduled.runningStatus = 0;
    schedule.Update(*Eit({ 0x50, 0, 0, 0, 0, 0x50 }, { scheduled }));
    ASSERT_EQ(schedule.GetEvents().size(), 2u);
    EXPECT_EQ(schedule.GetEvents()[0].runningStatus, 4);

    schedule.DropEndedBefore(DayStart + 11 * Hour + 1);
    EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 5, 6 }));
    // Once present/following says it stopped, it goes like any other.
    running.runningStatus = 1;
    schedule.Update(*Eit({ 0x4E, 1, 0, 1, 1, 0x4E }, { running, Event(6, 11) }));
    schedule.DropEndedBefore(DayStart + 11 * Hour + 1);
    EXPECT_EQ(Ids(schedule), (std::vector<unsigned short> { 6 }));
}

TEST(EventSchedule, ReadsTheEventDescriptorsTheGuideShowsAndWhatACutOneHolds)
{
    ts::EitEvent event = Event(1, 20);
    // An extended text in UTF-8 over two descriptors, "ü" split between them;
    // the second part repeats the selector, as it may.
    const ts::Bytes first = Join({ { 0x01 }, { 'd', 'e', 'u' }, { 0 }, { 6, 0x15, 'G', 'r', 0xC3 } });
    const ts::Bytes second = Join({ { 0x11 }, { 'd', 'e', 'u' }, { 10, 4, 'C', 'a', 's', 't', 4, 'A', 'n', 'n', 'a' },
        { 5, 0x15, 0xBC, 'n', ' ', '!' } });
    event.descriptors = Join({ event.descriptors, ts::Descriptor(0x4E, first), ts::Descriptor(0x4E, second),
        ts::Descriptor(0x54, { 0x10, 0x00, 0x43, 0xFF }), // a film; sports
        ts::Descriptor(0x55, { 'D', 'E', 'U', 0x09, 'F', 'R', 'A', 0x00, 'G', 'B', 'R', 0x20 }),
        ts::Descriptor(0x50, { 0x01, 0x03, 0x01, 'd', 'e', 'u', 'H', 'D' }),
        ts::Descriptor(0x76, { 0x31 << 2, 3, '/', 'e', '1', 0x32 << 2, 3, '/', 's', '1', 0x01, 0x12, 0x34 }),
        // A parental rating cut after its country: nothing more is read from it.
        ts::Descriptor(0x55, { 'I', 'T', 'A' }) });
    ts::EitHeader header;
    header.tableId = 0x50;
    std::unique_ptr<CDVBEITSection> section = ParseSection<CDVBEITSection>(ts::EitSection(header, { event }));
    ASSERT_NE(section, nullptr);
    const CDVBEvent read = CDVBEvent::Read(**section->GetEntries().begin());

    EXPECT_EQ(read.language, "deu");
    EXPECT_EQ(read.title, "Event 1");
    EXPECT_EQ(read.extendedText, "Grün !\nCast: Anna");
    EXPECT_EQ(read.genres, (std::vector<unsigned char> { 0x10, 0x43 }));
    EXPECT_EQ(DVBGenreName(read.genres[1]), "Sports");
    ASSERT_EQ(read.ratings.size(), 1u) << "undefined and broadcaster-defined ratings are not ages";
    EXPECT_EQ(read.ratings[0].country, "DEU");
    EXPECT_EQ(read.ratings[0].minimumAge, 12);
    ASSERT_EQ(read.components.size(), 1u);
    EXPECT_EQ(read.components[0].streamContent, 1);
    EXPECT_EQ(read.components[0].componentType, 3);
    EXPECT_EQ(read.components[0].text, "HD");
    EXPECT_EQ(read.episodeCrid, "/e1");
    EXPECT_EQ(read.seriesCrid, "/s1");
}
