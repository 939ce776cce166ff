#include "viewing/KRXGuideGrid.h"

#include "../si/SITestHelpers.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t Eight = 1796846400; // 2026-12-09 20:00 UTC, a Wednesday
constexpr int64_t Minute = 60;
constexpr int64_t Hour = 3600;

CDVBEvent Event(unsigned short id, int64_t start, int64_t duration, const CString& title, const CString& text = "")
{
    CDVBEvent event;
    event.eventId = id;
    event.start = start;
    event.duration = duration;
    event.title = title;
    event.shortText = text;
    return event;
}

CDVBGuideService Service(unsigned short tsid, unsigned short sid, const CString& name, std::vector<CDVBEvent> events)
{
    return { 8468, tsid, sid, name, std::move(events) };
}

// Two services of stream 1 and one of stream 2 that shares a service id.
std::vector<CDVBGuideService> Evening()
{
    return {
        Service(1, 1, "Korrix One",
            {
                Event(10, Eight - Hour, 30 * Minute, "Ended Before"),
                Event(11, Eight - Hour, 2 * Hour, "Long Film", "A heist in \xC3\x89TAMPES."),
                Event(12, Eight + Hour, 30 * Minute, "News"),
                Event(13, Eight + 2 * Hour, Hour, "Quiz"),
            }),
        Service(1, 2, "", { Event(20, Eight + 30 * Minute, Hour, "Late News", "the news, later") }),
        Service(2, 1, "Elsewhere", { Event(30, Eight, 3 * Hour + 30 * Minute, "Marathon") }),
    };
}

class GuideGrid : public ::testing::Test
{
protected:
    GuideGrid() { m_grid.SetGuide(Evening(), { { 1, { "File", "Korrix Demo" } } }, Eight + 40 * Minute); }

    si_test::TimeZone m_zone { "UTC0" };
    CKRXGuideGrid m_grid;
};
} // namespace

TEST_F(GuideGrid, LaysProgrammesOutFromTheHourOfNow)
{
    EXPECT_EQ(m_grid.GetStart(), Eight);
    EXPECT_EQ(m_grid.GetNowX(), 160);
    // The grid runs to the last event's end, 23:30.
    EXPECT_EQ(m_grid.GetWidth(), 3 * 240 + 120);
    EXPECT_EQ(m_grid.GetHeight(), 3 * CKRXGuideGrid::RowHeight);
    EXPECT_EQ(m_grid.GetServiceName(1), "Service 2");

    // What ended before the grid's start is left out; what started before it is cut at x = 0.
    const std::vector<CKRXGuideGrid::Cell> first = m_grid.GetCellsBetween(0, 0, m_grid.GetWidth());
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(m_grid.GetEvent(first[0]).title, "Long Film");
    EXPECT_EQ(m_grid.GetRect(first[0]), (CKRXGuideGrid::Rect { 0, 0, 240, CKRXGuideGrid::RowHeight }));
    EXPECT_EQ(m_grid.GetRect({ 1, 0 }), (CKRXGuideGrid::Rect { 120, CKRXGuideGrid::RowHeight, 240, 44 }));

    // A programme that began long before the visible part still shows in it.
    const auto late = m_grid.GetCellsBetween(2, 600, 700);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(m_grid.GetEvent(late[0]).title, "Marathon");
    EXPECT_TRUE(m_grid.GetCellsBetween(0, 360, 480).empty()); // 21:30 to 22:00 has nothing
    EXPECT_TRUE(m_grid.GetCellsBetween(3, 0, 100).empty());
}

TEST_F(GuideGrid, FindsTheProgrammeUnderAPointWithHalfOpenEdges)
{
    const auto at = [this](int x, int y) {
        const auto cell = m_grid.FindAt(x, y);
        return cell ? m_grid.GetEvent(*cell).title : CString("-");
    };
    EXPECT_EQ(at(239, 0), "Long Film");
    EXPECT_EQ(at(240, 0), "News"); // 21:00 belongs to what starts then
    EXPECT_EQ(at(360, 43), "-"); // the gap after the news
    EXPECT_EQ(at(359, 44), "Late News");
    EXPECT_EQ(at(360, 44), "-");
    EXPECT_EQ(at(119, 44), "-");
    EXPECT_EQ(at(10, 2 * 44 + 5), "Marathon");
    EXPECT_EQ(at(10, 3 * 44), "-");
    EXPECT_EQ(at(-1, 0), "-");
}

TEST_F(GuideGrid, TheTimeScaleMarksHalfHoursAndNamesEachDay)
{
    const auto marks = m_grid.GetMarks(100, 1000);
    ASSERT_EQ(marks.size(), 7u); // 20:30 to 23:30
    EXPECT_EQ(marks[0].x, 120);
    EXPECT_EQ(marks[0].label, "20:30");
    EXPECT_EQ(marks[6].label, "23:30");

    CKRXGuideGrid week;
    week.SetGuide({ Service(1, 1, "One", { Event(1, Eight, 48 * Hour, "All Night") }) }, {}, Eight + Minute);
    const auto midnight = week.GetMarks(week.TimeToX(Eight + 4 * Hour), week.TimeToX(Eight + 4 * Hour));
    ASSERT_EQ(midnight.size(), 1u);
    EXPECT_TRUE(midnight[0].day);
    EXPECT_EQ(midnight[0].label, "Thu 10 Dec");
    // The day of the left edge, for a grid scrolled past the day's mark.
    EXPECT_EQ(week.GetDayAt(midnight[0].x - 1), "Wed 09 Dec");
    EXPECT_EQ(week.GetDayAt(midnight[0].x + 600), "Thu 10 Dec");
}

TEST(GuideGridZone, StartsAtTheLocalHourInAZoneHalfAnHourOff)
{
    si_test::TimeZone india("IST-5:30");
    CKRXGuideGrid grid;
    grid.SetGuide({}, {}, Eight + 40 * Minute); // 02:10 local
    EXPECT_EQ(grid.GetStart(), Eight + 30 * Minute);
    EXPECT_EQ(grid.GetWidth(), 240);
}

TEST_F(GuideGrid, SearchFindsTitlesAndDescriptionsIgnoringCaseByStartTime)
{
    const auto titles = [this](const CString& text) {
        CString found;
        for (const auto& cell : m_grid.Search(text))
            found += m_grid.GetEvent(cell).title + ";";
        return found;
    };
    EXPECT_EQ(titles("NEWS"), "Late News;News;");
    EXPECT_EQ(titles("\xC3\xa9tampes"), "Long Film;");
    EXPECT_EQ(titles("news, later"), "Late News;");
    EXPECT_EQ(titles("nothing like it"), "");
    EXPECT_EQ(titles(""), "");
}

TEST_F(GuideGrid, DetailsGiveTimesServiceGenreRatingAndDescription)
{
    std::vector<CDVBGuideService> guide = Evening();
    CDVBEvent& film = guide[0].events[1];
    film.genres = { 0x14, 0x10, 0xF3 }; // two of one broad genre, and a user-defined one
    film.ratings = { { "GBR", 12 }, { "DEU", 16 } };
    film.extendedText = "Directed by someone.";
    m_grid.SetGuide(guide, {}, Eight + 40 * Minute);
    EXPECT_EQ(m_grid.GetDetails({ 0, 1 }),
        "Long Film\nWed 09 Dec 19:00\u201321:00 (2 h) on Korrix One\nGenre: Movie / Drama\nRating: 12+ (GBR), 16+ "
        "(DEU)\n\nA heist in \xC3\x89TAMPES.\n\nDirected by someone.");
    EXPECT_EQ(
        m_grid.GetDetails({ 1, 0 }), "Late News\nWed 09 Dec 20:30\u201321:30 (1 h) on Service 2\n\nthe news, later");
}

TEST_F(GuideGrid, RecordingNamesWhereTheServiceIsAndTheEvent)
{
    const auto news = m_grid.GetRecording({ 0, 2 });
    ASSERT_TRUE(news);
    EXPECT_EQ(news->input, "File");
    EXPECT_EQ(news->multiplex, "Korrix Demo");
    EXPECT_EQ(news->originalNetworkId, 8468);
    EXPECT_EQ(news->transportStreamId, 1);
    EXPECT_EQ(news->serviceId, 1);
    EXPECT_EQ(news->serviceName, "Korrix One");
    EXPECT_EQ(news->eventId, 12);
    EXPECT_EQ(news->title, "News");
    EXPECT_EQ(news->start, Eight + Hour);
    EXPECT_EQ(news->duration, 30 * Minute);
    // A stream never opened here has no place to record from; the past cannot be recorded.
    EXPECT_FALSE(m_grid.GetRecording({ 2, 0 }));
    EXPECT_FALSE(m_grid.GetRecording({ 0, 0 }));
    EXPECT_TRUE(m_grid.GetRecording({ 0, 1 })); // running now
}

TEST_F(GuideGrid, HighlightsTheWatchedServiceByStreamAndId)
{
    m_grid.SetCurrentService(2, 1);
    EXPECT_EQ(m_grid.GetCurrentRow(), 2);
    m_grid.SetCurrentService(1, 2);
    EXPECT_EQ(m_grid.GetCurrentRow(), 1);
    m_grid.SetCurrentService(2, 2);
    EXPECT_EQ(m_grid.GetCurrentRow(), -1);
}
