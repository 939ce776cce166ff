#include "timers/KRXTimerList.h"

#include "timers/KRXFieldLine.h"

#include <algorithm>

namespace {
bool Overlap(const CKRXTimer& a, const CKRXTimer& b)
{
    return a.GetRecordStart() < b.GetRecordStop() && b.GetRecordStart() < a.GetRecordStop();
}

bool IsPending(const CKRXTimer& timer)
{
    return timer.state == EKRXTimerState::Waiting || timer.state == EKRXTimerState::Recording;
}
} // namespace

CString CKRXTimerList::Add(CKRXTimer timer)
{
    int highest = 0;
    for (const CKRXTimer& other : m_timers)
        highest = std::max(highest, other.id);
    timer.id = highest + 1;
    timer.conflict = DescribeConflict(timer);
    m_timers.push_back(timer);
    return timer.conflict;
}

CString CKRXTimerList::AddForEvent(const Programme& programme, int64_t paddingBefore, int64_t paddingAfter)
{
    CKRXTimer timer;
    timer.input = programme.input;
    timer.multiplex = programme.multiplex;
    timer.originalNetworkId = programme.originalNetworkId;
    timer.transportStreamId = programme.transportStreamId;
    timer.serviceId = programme.serviceId;
    timer.serviceName = programme.serviceName;
    timer.eventId = programme.eventId;
    timer.title = programme.title;
    timer.start = programme.start;
    timer.stop = programme.start + programme.duration;
    timer.paddingBefore = paddingBefore;
    timer.paddingAfter = paddingAfter;
    return Add(timer);
}

bool CKRXTimerList::Remove(int id)
{
    const auto found = std::find_if(m_timers.begin(), m_timers.end(), [id](const CKRXTimer& t) { return t.id == id; });
    if (found == m_timers.end())
        return false;
    m_timers.erase(found);
    return true;
}

CKRXTimer* CKRXTimerList::Find(int id)
{
    const auto found = std::find_if(m_timers.begin(), m_timers.end(), [id](const CKRXTimer& t) { return t.id == id; });
    return found == m_timers.end() ? nullptr : &*found;
}

const CKRXTimer* CKRXTimerList::FindConflict(const CKRXTimer& timer) const
{
    // A file input plays any number of files at once.
    if (timer.input == kFileInput)
        return nullptr;
    for (const CKRXTimer& other : m_timers) {
        if (other.id != timer.id && IsPending(other) && other.input == timer.input && other.multiplex != timer.multiplex
            && Overlap(timer, other))
            return &other;
    }
    return nullptr;
}

CString CKRXTimerList::DescribeConflict(const CKRXTimer& timer) const
{
    const CKRXTimer* other = FindConflict(timer);
    return other == nullptr ? CString()
                            : FormatString("needs '%s' while timer %d records '%s'", timer.input.c_str(), other->id,
                                other->multiplex.c_str());
}

CString CKRXTimerList::Format() const
{
    CString text;
    for (const CKRXTimer& timer : m_timers)
        text += timer.ToLine() + "\n";
    return text;
}

bool CKRXTimerList::Parse(const CString& text, int& badLine)
{
    m_timers.clear();
    return CKRXFieldLine::ReadLines(
        text,
        [this](const CString& line) {
            CKRXTimer timer;
            if (!CKRXTimer::FromLine(line, timer))
                return false;
            m_timers.push_back(timer);
            return true;
        },
        badLine);
}
