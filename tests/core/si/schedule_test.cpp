#include "SITestHelpers.h"
#include "si/DVBEITSection.h"
#include "si/DVBProgram.h"
#include "si/DVBSchedule.h"
#include "si/DVBTime.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

using namespace si_test;

namespace {

// 1993-10-13 12:45:00 UTC, the worked example of EN 300 468.
constexpr ts::DvbTime ANNEX_C_EXAMPLE { 0xC079, 0x124500 };

ts::EitEvent Event(uint16_t id, ts::DvbTime start, uint32_t duration, uint8_t status, const ts::Bytes& descriptors = {})
{
    ts::EitEvent event;
    event.eventId = id;
    event.start = start;
    event.durationBcd = duration;
    event.runningStatus = status;
    event.descriptors = descriptors;
    return event;
}

std::unique_ptr<CDVBEITSection> Eit(const std::vector<ts::EitEvent>& events, uint8_t tableId = 0x4E)
{
    ts::EitHeader header;
    header.tableId = tableId;
    header.serviceId = 0x0101;
    header.transportStreamId = 0x0401;
    header.originalNetworkId = 0x233A;
    return ParseSection<CDVBEITSection>(ts::EitSection(header, events));
}

ts::DvbTime Utc(int year, int month, int day, int hour, int minute)
{
    SYSTEMTIME time;
    time.wYear = uint16_t(year);
    time.wMonth = uint16_t(month);
    time.wDay = uint16_t(day);
    time.wHour = uint16_t(hour);
    time.wMinute = uint16_t(minute);
    return ts::DvbTime::FromUnix(SystemTimeToSeconds(time));
}

struct NowNext {
    int found;
    CDVBScheduleEntry now;
    CDVBScheduleEntry next;
};

NowNext Ask(CDVBSchedule& schedule)
{
    NowNext answer;
    answer.found = schedule.GetNowAndNextInformation(&answer.now, &answer.next);
    return answer;
}

} // namespace

TEST(DVBTime, TheWorkedExampleOfModifiedJulianDate)
{
    const SYSTEMTIME utc = DVBTimeToUTC(ANNEX_C_EXAMPLE.mjd, ANNEX_C_EXAMPLE.bcd);
    EXPECT_EQ(utc.wYear, 1993);
    EXPECT_EQ(utc.wMonth, 10);
    EXPECT_EQ(utc.wDay, 13);
    EXPECT_EQ(utc.wDayOfWeek, 3); // a Wednesday
    EXPECT_EQ(utc.wHour, 12);
    EXPECT_EQ(utc.wMinute, 45);
    EXPECT_EQ(utc.wSecond, 0);
}

TEST(DVBTime, DatesAtTheEdgesOfTheMJDRange)
{
    const SYSTEMTIME first = DVBTimeToUTC(15079, 0); // the first day the textbook formula covers
    EXPECT_EQ(first.wYear, 1900);
    EXPECT_EQ(first.wMonth, 3);
    EXPECT_EQ(first.wDay, 1);
    const SYSTEMTIME leap = DVBTimeToUTC(51603, 0x235959);
    EXPECT_EQ(leap.wMonth, 2);
    EXPECT_EQ(leap.wDay, 29);
    const SYSTEMTIME zero = DVBTimeToUTC(0, 0);
    EXPECT_EQ(zero.wYear, 1858);
    EXPECT_EQ(zero.wMonth, 11);
    EXPECT_EQ(zero.wDay, 17);
    const SYSTEMTIME last = DVBTimeToUTC(0xFFFF, 0);
    EXPECT_EQ(last.wYear, 2038);
    EXPECT_EQ(last.wMonth, 4);
    EXPECT_EQ(last.wDay, 22);
}

TEST(DVBTime, BCDValuesAndDurations)
{
    EXPECT_EQ(BCDToValue(0x59), 59u);
    EXPECT_EQ(BCDTimeToSeconds(0x013000), 5400);
    EXPECT_EQ(FormatDVBDuration(0x013000), "1 hour, 30 mins");
    EXPECT_EQ(FormatDVBDuration(0x010000), "1 hour");
    EXPECT_EQ(FormatDVBDuration(0x020000), "2 hours");
    EXPECT_EQ(FormatDVBDuration(0x120500), "12 hours, 5 mins");
    EXPECT_EQ(FormatDVBDuration(0x004500), "45 mins");
    EXPECT_EQ(FormatDVBDuration(0x000000), "0 mins");
    EXPECT_EQ(FormatDVBDuration(0x000059), "0 mins");
}

TEST(DVBEITSection, ReadsTheHeaderAndEveryEvent)
{
    auto eit = Eit({ Event(0x10, ANNEX_C_EXAMPLE, 0x013000, 4, ts::ShortEventDescriptor("eng", "News", "Today")),
        Event(0x11, ANNEX_C_EXAMPLE, 0x004500, 1) });
    ASSERT_NE(eit, nullptr);
    EXPECT_EQ(eit->GetKind(), DVB_SECTION_EIT);
    EXPECT_EQ(eit->GetServiceId(), 0x0101);
    EXPECT_EQ(eit->GetTransportStreamId(), 0x0401);
    EXPECT_EQ(eit->GetOriginalNetworkId(), 0x233A);
    ASSERT_EQ(eit->GetEntries().GetCount(), 2u);
    const CDVBEITEntry* first = *eit->GetEntries().begin();
    EXPECT_EQ(first->eventId, 0x10);
    EXPECT_EQ(first->startDate, 0xC079);
    EXPECT_EQ(first->startTime, 0x124500u);
    EXPECT_EQ(first->duration, 0x013000u);
    EXPECT_EQ(first->runningStatus, 4);
    EXPECT_EQ(first->descriptors.GetCount(), 1u);
}

TEST(DVBEITSection, BodyChecks)
{
    EXPECT_EQ(ParseSection<CDVBEITSection>(LongSection(0x4E, 1, { 0, 1, 0, 1, 0 })), nullptr);
    auto headerOnly = ParseSection<CDVBEITSection>(LongSection(0x4E, 1, { 0, 1, 0, 1, 0, 0x4E }));
    ASSERT_NE(headerOnly, nullptr);
    EXPECT_TRUE(headerOnly->GetEntries().IsEmpty());
    // An event whose loop runs past the body fails the section.
    const ts::Bytes overlong = { 0, 1, 0, 1, 0, 0x4E, 0, 1, 0xC0, 0x79, 0x12, 0x45, 0, 0, 0x30, 0, 0x80, 0x01 };
    EXPECT_EQ(ParseSection<CDVBEITSection>(LongSection(0x4E, 1, overlong)), nullptr);
    // A damaged descriptor inside an event does not.
    const ts::Bytes damaged
        = { 0, 1, 0, 1, 0, 0x4E, 0, 1, 0xC0, 0x79, 0x12, 0x45, 0, 0, 0x30, 0, 0x80, 0x02, 0x4D, 0x09 };
    auto tolerant = ParseSection<CDVBEITSection>(LongSection(0x4E, 1, damaged));
    ASSERT_NE(tolerant, nullptr);
    EXPECT_EQ(tolerant->GetEntries().GetCount(), 1u);
}

class ScheduleTest : public ::testing::Test
{
protected:
    TimeZone zone { "UTC" };
    CDVBSchedule schedule;
};

TEST_F(ScheduleTest, NowAndNextAreFilledFromTheirRunningStatus)
{
    auto eit = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x013000, 4, ts::ShortEventDescriptor("eng", "News", "Today's news")),
        Event(2, { 0xC079, 0x141500 }, 0x004500, 1, ts::ShortEventDescriptor("eng", "Film", "A film")) });
    ASSERT_NE(eit, nullptr);
    EXPECT_EQ(schedule.Update(eit.get()), 1);
    NowNext answer = Ask(schedule);
    ASSERT_EQ(answer.found, DVB_HAS_NOW | DVB_HAS_NEXT);
    EXPECT_EQ(answer.now.m_serviceId, 0x0101);
    EXPECT_EQ(answer.now.m_transportStreamId, 0x0401);
    EXPECT_EQ(answer.now.m_runningStatus, 4);
    EXPECT_EQ(answer.now.m_startDateText, "1993/10/13");
    EXPECT_EQ(answer.now.m_startTimeText, "12:45");
    EXPECT_EQ(answer.now.m_durationText, "1 hour, 30 mins");
    EXPECT_EQ(answer.now.m_title, "News");
    EXPECT_EQ(answer.now.m_description, "Today's news");
    EXPECT_EQ(answer.now.m_end.wHour, 14);
    EXPECT_EQ(answer.now.m_end.wMinute, 15);
    EXPECT_EQ(answer.next.m_title, "Film");
    EXPECT_EQ(answer.next.m_startTimeText, "14:15");
    EXPECT_EQ(answer.next.m_durationText, "45 mins");
}

TEST_F(ScheduleTest, OnlyANowEventLeavesTheNextArgumentUntouched)
{
    auto eit = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 4) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    NowNext answer;
    answer.next.m_title = "untouched";
    answer.found = schedule.GetNowAndNextInformation(&answer.now, &answer.next);
    EXPECT_EQ(answer.found, DVB_HAS_NOW);
    EXPECT_EQ(answer.next.m_title, "untouched");
    EXPECT_EQ(answer.next.m_runningStatus, 0xFF);
}

TEST_F(ScheduleTest, AnUndefinedStatusIsKeptButNeverNowOrNext)
{
    auto eit = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 0) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    EXPECT_EQ(Ask(schedule).found, 0);
}

TEST_F(ScheduleTest, TheLaterOfTwoEventsWithOneStatusWins)
{
    auto eit = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 4, ts::ShortEventDescriptor("eng", "First", "")),
        Event(2, ANNEX_C_EXAMPLE, 0x010000, 4, ts::ShortEventDescriptor("eng", "Second", "")) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    EXPECT_EQ(Ask(schedule).now.m_title, "Second");
}

TEST_F(ScheduleTest, AnEventWithoutShortEventDescriptorKeepsTheEarlierTexts)
{
    auto first = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 4, ts::ShortEventDescriptor("eng", "News", "Text")) });
    auto second = Eit({ Event(2, { 0xC079, 0x134500 }, 0x003000, 4) });
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    schedule.Update(first.get());
    schedule.Update(second.get());
    NowNext answer = Ask(schedule);
    EXPECT_EQ(answer.now.m_title, "News");
    EXPECT_EQ(answer.now.m_description, "Text");
    EXPECT_EQ(answer.now.m_startTimeText, "13:45");
}

TEST_F(ScheduleTest, AFollowingEventThatStartsRunningMovesIntoNowAndNextStays)
{
    auto before = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 4, ts::ShortEventDescriptor("eng", "A", "")),
        Event(2, { 0xC079, 0x134500 }, 0x010000, 1, ts::ShortEventDescriptor("eng", "B", "")) });
    auto after = Eit({ Event(2, { 0xC079, 0x134500 }, 0x010000, 4, ts::ShortEventDescriptor("eng", "B", "")) });
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    schedule.Update(before.get());
    schedule.Update(after.get());
    NowNext answer = Ask(schedule);
    EXPECT_EQ(answer.now.m_title, "B");
    EXPECT_EQ(answer.next.m_title, "B");
}

TEST(DVBScheduleLocalTime, AnEventCrossingMidnightEndsTheNextDay)
{
    TimeZone zone("Europe/London");
    CDVBSchedule schedule;
    // 22:30 UTC in July is 23:30 British Summer Time; an hour later it is the 27th.
    auto eit = Eit({ Event(1, Utc(2004, 7, 26, 22, 30), 0x010000, 4) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    NowNext answer = Ask(schedule);
    EXPECT_EQ(answer.now.m_startDateText, "2004/07/26");
    EXPECT_EQ(answer.now.m_startTimeText, "23:30");
    EXPECT_EQ(answer.now.m_end.wDay, 27);
    EXPECT_EQ(answer.now.m_end.wHour, 0);
    EXPECT_EQ(answer.now.m_end.wMinute, 30);
    EXPECT_EQ(answer.now.m_end.wDayOfWeek, 2); // a Tuesday
}

TEST(DVBScheduleLocalTime, EachTimeTakesTheOffsetInForceAtItsOwnInstant)
{
    TimeZone zone("Europe/London");
    CDVBSchedule schedule;
    // Summer time ends at 01:00 UTC on 2004-10-31: 00:30 UTC is 01:30 BST, 02:30 UTC is 02:30 GMT.
    auto eit
        = Eit({ Event(1, Utc(2004, 10, 31, 0, 30), 0x020000, 4), Event(2, Utc(2004, 12, 25, 15, 0), 0x010000, 1) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    NowNext answer = Ask(schedule);
    EXPECT_EQ(answer.now.m_startTimeText, "01:30");
    EXPECT_EQ(answer.now.m_end.wHour, 2);
    EXPECT_EQ(answer.now.m_end.wMinute, 30);
    EXPECT_EQ(answer.next.m_startTimeText, "15:00");
}

TEST(DVBScheduleLocalTime, AZoneWestOfUTCMovesTheDateBack)
{
    TimeZone zone("America/New_York");
    CDVBSchedule schedule;
    auto eit = Eit({ Event(1, Utc(2005, 1, 1, 2, 0), 0x000030, 4) });
    ASSERT_NE(eit, nullptr);
    schedule.Update(eit.get());
    NowNext answer = Ask(schedule);
    EXPECT_EQ(answer.now.m_startDateText, "2004/12/31");
    EXPECT_EQ(answer.now.m_startTimeText, "21:00");
    EXPECT_EQ(answer.now.m_end.wSecond, 30);
}

TEST(DVBSchedule, ReformatDescriptionMakesTextDisplayable)
{
    CString out = "kept:";
    CDVBSchedule::ReformatDescription(CString("a\nb\x8A") + "c&d\xE9" + CString(1, '\0') + "\x7F~", out);
    EXPECT_EQ(out, "kept:a\r\nb\r\nc+d\r\n\r\n\r\n~");
}

TEST(DVBSchedule, ReformatDescriptionKeepsDecodedCharactersWhole)
{
    CString out;
    CDVBSchedule::ReformatDescription("Magazine de la santé présenté par Marina Carrère & € 5", out);
    EXPECT_EQ(out, "Magazine de la santé présenté par Marina Carrère + € 5");
    out.clear();
    // C1 control characters break lines as their bytes did; so does a character cut short.
    CDVBSchedule::ReformatDescription("a\xC2\x8A" "b\xC2\x86" "c\xE2\x82", out);
    EXPECT_EQ(out, "a\r\nb\r\nc\r\n\r\n");
}

TEST(DVBProgram, EITMarksTheProgrammeAndFillsItsSchedule)
{
    TimeZone zone("UTC");
    auto eit = Eit({ Event(1, ANNEX_C_EXAMPLE, 0x010000, 4, ts::ShortEventDescriptor("eng", "News", "")) }, 0x50);
    ASSERT_NE(eit, nullptr);
    CDVBProgram program(0x0101);
    program.OnReceiveEIT(eit.get());
    EXPECT_TRUE(program.HasSeenEIT());
    CDVBScheduleEntry now, next;
    EXPECT_EQ(program.GetSchedule()->GetNowAndNextInformation(&now, &next), DVB_HAS_NOW);
    EXPECT_EQ(now.m_title, "News");
}
