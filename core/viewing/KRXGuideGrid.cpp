#include "viewing/KRXGuideGrid.h"

#include <algorithm>
#include <ctime>

namespace {
constexpr int64_t SecondsPerHour = 3600;
constexpr int64_t SecondsPerMark = 1800;
constexpr const char* DayFormat = "%a %d %b";

std::tm LocalTime(int64_t utcSeconds)
{
    const time_t instant = static_cast<time_t>(utcSeconds);
    std::tm local {};
    localtime_r(&instant, &local);
    return local;
}

CString FormatLocal(int64_t utcSeconds, const char* format)
{
    const std::tm local = LocalTime(utcSeconds);
    char text[64];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The hour an instant is in, local time (some zones are half an hour off UTC).
int64_t StartOfLocalHour(int64_t utcSeconds)
{
    const std::tm local = LocalTime(utcSeconds);
    return utcSeconds - local.tm_min * 60 - local.tm_sec;
}

// ASCII and the Latin-1 letters (two bytes in UTF-8) in lower case, so that
// "ÉTÉ" finds "été"; other characters are compared as they are.
CString FoldCase(const CString& text)
{
    CString folded = text;
    for (size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = folded[i];
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (c == 0xC3 && i + 1 < folded.size()) {
            const unsigned char next = folded[i + 1];
            if (next >= 0x80 && next <= 0x9E && next != 0x97) // 0x97 is the multiplication sign
                folded[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        }
    }
    return folded;
}

CString FormatDuration(int64_t seconds)
{
    const int64_t minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return FormatString("%" PRId64 " min", minutes);
    if (minutes % 60 == 0)
        return FormatString("%" PRId64 " h", minutes / 60);
    return FormatString("%" PRId64 " h %" PRId64 " min", minutes / 60, minutes % 60);
}

CString JoinGenres(const std::vector<unsigned char>& genres)
{
    CString joined;
    for (unsigned char genre : genres) {
        const CString name = DVBGenreName(genre);
        if (!name.empty() && joined.find(name) == CString::npos)
            joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

CString JoinRatings(const std::vector<CDVBEventRating>& ratings)
{
    CString joined;
    for (const CDVBEventRating& rating : ratings)
        joined += (joined.empty() ? "" : ", ") + FormatString("%d+ (%s)", rating.minimumAge, rating.country.c_str());
    return joined;
}
} // namespace

void CKRXGuideGrid::SetGuide(
    std::vector<CDVBGuideService> guide, const std::map<unsigned short, SKRXMultiplexPlace>& places, int64_t now)
{
    m_rows.clear();
    m_rows.reserve(guide.size());
    m_now = now;
    m_start = StartOfLocalHour(now);
    m_end = m_start + SecondsPerHour;
    for (CDVBGuideService& service : guide) {
        Row row { std::move(service), std::nullopt };
        const auto place = places.find(row.service.transportStreamId);
        if (place != places.end())
            row.place = place->second;
        if (!row.service.events.empty())
            m_end = std::max(m_end, row.service.events.back().GetEnd());
        m_rows.push_back(std::move(row));
    }
    m_currentRow = -1;
}

void CKRXGuideGrid::SetCurrentService(unsigned short transportStreamId, unsigned short serviceId)
{
    m_currentRow = -1;
    for (int row = 0; row < GetRowCount(); ++row) {
        const CDVBGuideService& service = m_rows[row].service;
        if (service.transportStreamId == transportStreamId && service.serviceId == serviceId)
            m_currentRow = row;
    }
}

CString CKRXGuideGrid::GetServiceName(int row) const
{
    const CDVBGuideService& service = GetService(row);
    return service.name.empty() ? FormatString("Service %u", service.serviceId) : service.name;
}

int CKRXGuideGrid::TimeToX(int64_t utcSeconds) const
{
    return static_cast<int>((utcSeconds - m_start) * PixelsPerHour / SecondsPerHour);
}

int64_t CKRXGuideGrid::XToTime(int x) const
{
    return m_start + static_cast<int64_t>(x) * SecondsPerHour / PixelsPerHour;
}

CKRXGuideGrid::Rect CKRXGuideGrid::GetRect(const Cell& cell) const
{
    const CDVBEvent& event = GetEvent(cell);
    const int left = std::max(0, TimeToX(event.start));
    const int right = std::max(left, TimeToX(event.GetEnd()));
    return { left, cell.row * RowHeight, right - left, RowHeight };
}

std::vector<CKRXGuideGrid::Cell> CKRXGuideGrid::GetCellsBetween(int row, int fromX, int toX) const
{
    std::vector<Cell> cells;
    if (row < 0 || row >= GetRowCount())
        return cells;
    const std::vector<CDVBEvent>& events = m_rows[row].service.events;
    const int64_t from = XToTime(fromX), to = XToTime(toX);
    // Events come by start time; the first to show may have started earlier.
    auto first = std::lower_bound(
        events.begin(), events.end(), from, [](const CDVBEvent& event, int64_t time) { return event.start < time; });
    while (first != events.begin() && std::prev(first)->GetEnd() > from)
        --first;
    for (auto event = first; event != events.end() && event->start < to; ++event) {
        if (event->GetEnd() > from && event->GetEnd() > m_start)
            cells.push_back({ row, static_cast<int>(event - events.begin()) });
    }
    return cells;
}

std::vector<CKRXGuideGrid::Mark> CKRXGuideGrid::GetMarks(int fromX, int toX) const
{
    std::vector<Mark> marks;
    const int64_t from = std::max(m_start, XToTime(fromX));
    const int64_t to = std::min(m_end, XToTime(toX));
    // Marks fall on the grid's hour and every half hour after it.
    for (int64_t time = m_start + (from - m_start + SecondsPerMark - 1) / SecondsPerMark * SecondsPerMark; time <= to;
         time += SecondsPerMark) {
        const std::tm local = LocalTime(time);
        const bool day = local.tm_hour == 0 && local.tm_min == 0;
        marks.push_back({ TimeToX(time), FormatLocal(time, day ? DayFormat : "%H:%M"), day });
    }
    return marks;
}

CString CKRXGuideGrid::GetDayAt(int x) const
{
    return FormatLocal(XToTime(x), DayFormat);
}

std::optional<CKRXGuideGrid::Cell> CKRXGuideGrid::FindAt(int x, int y) const
{
    if (x < 0 || y < 0)
        return std::nullopt;
    for (const Cell& cell : GetCellsBetween(y / RowHeight, x, x + 1)) {
        const Rect rect = GetRect(cell);
        if (x >= rect.x && x < rect.x + rect.width)
            return cell;
    }
    return std::nullopt;
}

std::vector<CKRXGuideGrid::Cell> CKRXGuideGrid::Search(const CString& text) const
{
    std::vector<Cell> found;
    const CString wanted = FoldCase(text);
    if (wanted.empty())
        return found;
    const auto holds = [&wanted](const CString& field) { return FoldCase(field).find(wanted) != CString::npos; };
    for (int row = 0; row < GetRowCount(); ++row) {
        const std::vector<CDVBEvent>& events = m_rows[row].service.events;
        for (size_t index = 0; index < events.size(); ++index) {
            const CDVBEvent& event = events[index];
            if (holds(event.title) || holds(event.shortText) || holds(event.extendedText))
                found.push_back({ row, static_cast<int>(index) });
        }
    }
    std::stable_sort(found.begin(), found.end(),
        [this](const Cell& a, const Cell& b) { return GetEvent(a).start < GetEvent(b).start; });
    return found;
}

CString CKRXGuideGrid::GetDetails(const Cell& cell) const
{
    const CDVBEvent& event = GetEvent(cell);
    CString details = event.title.empty() ? CString("(untitled)") : event.title;
    details += "\n" + FormatLocal(event.start, "%a %d %b %H:%M") + "\u2013" + FormatLocal(event.GetEnd(), "%H:%M")
        + " (" + FormatDuration(event.duration) + ") on " + GetServiceName(cell.row);
    const CString genres = JoinGenres(event.genres);
    if (!genres.empty())
        details += "\nGenre: " + genres;
    const CString ratings = JoinRatings(event.ratings);
    if (!ratings.empty())
        details += "\nRating: " + ratings;
    for (const CString* text : { &event.shortText, &event.extendedText }) {
        if (!text->empty())
            details += "\n\n" + *text;
    }
    return details;
}

std::optional<SKRXGuideRecording> CKRXGuideGrid::GetRecording(const Cell& cell) const
{
    const Row& row = m_rows[cell.row];
    if (!row.place || HasEnded(cell))
        return std::nullopt;
    const CDVBEvent& event = GetEvent(cell);
    return SKRXGuideRecording { row.place->input, row.place->multiplex, row.service.originalNetworkId,
        row.service.transportStreamId, row.service.serviceId, GetServiceName(cell.row), event.eventId, event.title,
        event.start, event.duration };
}
