#pragma once
// The programme grid, without the window: services down the side, time across
// from the hour the guide was opened in to the last event anyone announced,
// where each programme lies, the line at now, which programme is under a
// point, searching titles and descriptions, the details of a programme and
// what "Record" on it asks for. Positions are in the grid's own pixels:
// x = 0 is the grid's start, y = 0 the top of the first service's row.
#include "platform/CString.h"
#include "si/DVBGuideService.h"
#include "viewing/KRXGuideRecording.h"
#include "viewing/KRXMultiplexPlace.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class CKRXGuideGrid
{
public:
    static constexpr int RowHeight = 44;
    static constexpr int PixelsPerHour = 240;

    // One programme: the row of its service and its place in that row's events.
    struct Cell {
        int row = -1;
        int index = -1;
        bool operator==(const Cell&) const = default;
    };
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rect&) const = default;
    };
    // A line of the time scale and what it says.
    struct Mark {
        int x = 0;
        CString label;
        bool day = false; // the first mark of a day
    };

    // Services in the guide's order; places says, by transport stream id,
    // where each was received (a service whose place is unknown cannot be
    // recorded). The grid starts at the hour now is in.
    void SetGuide(
        std::vector<CDVBGuideService> guide, const std::map<unsigned short, SKRXMultiplexPlace>& places, int64_t now);
    void SetNow(int64_t now) { m_now = now; }
    // Highlights the row of the service being watched (none when it has no row).
    void SetCurrentService(unsigned short transportStreamId, unsigned short serviceId);
    int GetCurrentRow() const { return m_currentRow; }

    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    const CDVBGuideService& GetService(int row) const { return m_rows[row].service; }
    // "Service N" for a service not yet named.
    CString GetServiceName(int row) const;
    const CDVBEvent& GetEvent(const Cell& cell) const { return m_rows[cell.row].service.events[cell.index]; }

    int64_t GetStart() const { return m_start; }
    int GetWidth() const { return TimeToX(m_end); }
    int GetHeight() const { return GetRowCount() * RowHeight; }
    int TimeToX(int64_t utcSeconds) const;
    int64_t XToTime(int x) const;
    int GetNowX() const { return TimeToX(m_now); }
    bool HasEnded(const Cell& cell) const { return GetEvent(cell).GetEnd() <= m_now; }

    // Where the programme is drawn, cut at the grid's start.
    Rect GetRect(const Cell& cell) const;
    // The programmes of a row that show between two x positions, in order.
    std::vector<Cell> GetCellsBetween(int row, int fromX, int toX) const;
    // The time scale between two x positions: every half hour.
    std::vector<Mark> GetMarks(int fromX, int toX) const;
    // The day at an x position, as the marks name days ("Thu 10 Dec").
    CString GetDayAt(int x) const;
    std::optional<Cell> FindAt(int x, int y) const;

    // Programmes whose title or description holds the text, ignoring case,
    // by start time; none for an empty text.
    std::vector<Cell> Search(const CString& text) const;

    // Its times, the service, genre, rating and description, one item a line.
    CString GetDetails(const Cell& cell) const;
    // What recording the programme asks for; none when its service's
    // multiplex is unknown or the programme has ended.
    std::optional<SKRXGuideRecording> GetRecording(const Cell& cell) const;

private:
    struct Row {
        CDVBGuideService service;
        std::optional<SKRXMultiplexPlace> place;
    };

    std::vector<Row> m_rows;
    int64_t m_start = 0;
    int64_t m_end = 0;
    int64_t m_now = 0;
    int m_currentRow = -1;
};
