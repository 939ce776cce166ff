#include "viewing/KRXServiceRows.h"

#include "si/DVBProgram.h"
#include "si/DVBText.h"

#include <algorithm>
#include <climits>
#include <strings.h>

namespace {
// A list cell shows one line: the event text's line breaks become blanks.
CString OnOneLine(CString text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

bool GetNow(CDVBProgram& program, CDVBScheduleEntry& now)
{
    CDVBScheduleEntry next; // the schedule fills both
    return (program.GetSchedule()->GetNowAndNextInformation(&now, &next) & DVB_HAS_NOW) != 0;
}
} // namespace

int CKRXServiceRows::Find(unsigned short programNumber) const
{
    const auto row = std::find_if(
        m_rows.begin(), m_rows.end(), [programNumber](const Row& r) { return r.programNumber == programNumber; });
    return row == m_rows.end() ? -1 : static_cast<int>(row - m_rows.begin());
}

CKRXServiceRows::Change CKRXServiceRows::Update(CDVBProgram& program)
{
    const CString name = GetServiceName(program);
    const int type = program.GetServiceTypeFromPMT();
    const CString nowShowing = GetNowShowing(program);
    const int number = program.GetChannelNumber();
    const bool visible = program.IsVisible();
    int index = Find(program.GetProgramNumber());
    if (index < 0) {
        m_rows.push_back({ program.GetProgramNumber(), name, type, nowShowing, number, visible });
        return { static_cast<int>(m_rows.size()) - 1, Inserted };
    }
    Row& row = m_rows[index];
    unsigned what = 0;
    if (row.name != name) {
        row.name = name;
        what |= NameChanged;
    }
    if (row.type != type) {
        row.type = type;
        what |= TypeChanged;
    }
    if (row.nowShowing != nowShowing) {
        row.nowShowing = nowShowing;
        what |= NowShowingChanged;
    }
    if (row.channelNumber != number || row.visible != visible) {
        row.channelNumber = number;
        row.visible = visible;
        what |= NumberChanged;
    }
    return { index, what };
}

std::vector<int> CKRXServiceRows::GetListOrder() const
{
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    // Unnumbered rows sort after every number.
    auto key = [](const Row& row) { return row.channelNumber < 0 ? INT_MAX : row.channelNumber; };
    std::stable_sort(order.begin(), order.end(), [this, &key](int a, int b) {
        const Row& first = m_rows[a];
        const Row& second = m_rows[b];
        if (key(first) != key(second))
            return key(first) < key(second);
        return strcasecmp(first.name.c_str(), second.name.c_str()) < 0;
    });
    return order;
}

CString CKRXServiceRows::GetServiceName(const CDVBProgram& program)
{
    return DVBTextToUTF8(program.GetServiceName());
}

CString CKRXServiceRows::GetNowShowing(CDVBProgram& program)
{
    CDVBScheduleEntry now;
    if (!GetNow(program, now))
        return "";
    return OnOneLine(DVBTextToUTF8(now.m_title) + ": " + DVBTextToUTF8(now.m_description));
}

CString CKRXServiceRows::GetInfoTip(CDVBProgram& program)
{
    CDVBScheduleEntry now;
    GetNow(program, now);
    CString description;
    CDVBSchedule::ReformatDescription(DVBTextToUTF8(now.m_description), description);
    return FormatString("%s\r\n%s\r\n%s, %s\r\n%s", GetServiceName(program).c_str(), DVBTextToUTF8(now.m_title).c_str(),
        now.m_startTimeText.c_str(), now.m_durationText.c_str(), description.c_str());
}
