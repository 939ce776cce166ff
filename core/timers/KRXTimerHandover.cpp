#include "timers/KRXTimerHandover.h"

#include "timers/KRXTimer.h"

#include <algorithm>

namespace {
CKRXTimerHandover::Place PlaceOf(const CKRXTimer& timer)
{
    return { timer.input, timer.multiplex,
        timer.serviceId != 0 ? FormatString("%u", timer.serviceId) : timer.serviceName };
}
} // namespace

CKRXTimerHandover::CKRXTimerHandover(CWindow& window, CKRXTimerRecorder& recorder, std::function<int64_t()> nowMs)
    : m_window(window)
    , m_recorder(recorder)
    , m_nowMs(std::move(nowMs))
{
}

CKRXTimerRecorder::EStart CKRXTimerHandover::StartRecording(const CKRXTimer& timer, const CString& file, CString& error)
{
    const Place watched = m_window.GetWatched();
    const bool own = watched.input == timer.input && watched.multiplex == timer.multiplex;
    if (m_recording != 0 && !own) {
        error = FormatString("the program is recording timer %d on '%s'", m_recording, watched.multiplex.c_str());
        return EStart::Failed;
    }
    if (watched.multiplex.empty() || own) {
        if (!own && !m_window.Watch(PlaceOf(timer), error))
            return EStart::Failed;
        return Record(timer, file, error);
    }
    if (m_counting != timer.id) {
        // One countdown at a time: another timer waits its turn.
        if (m_counting != 0)
            return EStart::Later;
        m_counting = timer.id;
        m_cancelled = false;
        m_deadlineMs = m_nowMs() + kCountdownMs;
        m_text = FormatString("Timer %d records '%s' on '%s' and needs to switch from '%s'.", timer.id,
            (timer.title.empty() ? timer.serviceName : timer.title).c_str(), timer.multiplex.c_str(),
            watched.multiplex.c_str());
        return EStart::Later;
    }
    if (m_cancelled || m_nowMs() < m_deadlineMs) {
        if (!m_cancelled)
            return EStart::Later;
        m_counting = 0;
        error = "cancelled by the user";
        return EStart::Failed;
    }
    m_counting = 0;
    if (!m_window.Watch(PlaceOf(timer), error))
        return EStart::Failed;
    m_returnTo = watched;
    return Record(timer, file, error);
}

CKRXTimerRecorder::EStart CKRXTimerHandover::Record(const CKRXTimer& timer, const CString& file, CString& error)
{
    const EStart start = m_recorder.StartRecording(timer, file, error);
    if (start == EStart::Started)
        m_recording = timer.id;
    return start;
}

bool CKRXTimerHandover::StopRecording(const CKRXTimer& timer, CString& error)
{
    const bool whole = m_recorder.StopRecording(timer, error);
    m_recording = 0;
    if (!m_returnTo.multiplex.empty()) {
        CString ignored; // what was watched and is gone now stays closed
        m_window.Watch(m_returnTo, ignored);
        m_returnTo = Place();
    }
    return whole;
}

CString CKRXTimerHandover::CheckRecording(const CKRXTimer& timer, bool& fatal)
{
    return m_recorder.CheckRecording(timer, fatal);
}

unsigned char CKRXTimerHandover::GetRunningStatus(const CKRXTimer& timer)
{
    return m_recorder.GetRunningStatus(timer);
}

int CKRXTimerHandover::GetSecondsLeft() const
{
    if (m_counting == 0)
        return 0;
    return int(std::max<int64_t>(0, m_deadlineMs - m_nowMs() + 999) / 1000);
}
