#include "timers/KRXTimerScheduler.h"

#include "si/DVBScheduleEntry.h"
#include "timers/KRXTimerFileName.h"
#include "timers/KRXTimerList.h"
#include "timers/KRXTimerRecorder.h"
#include "viewing/KRXRecordingName.h"

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace {
bool Exists(const CString& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

bool IsOnAir(unsigned char status)
{
    return status == DVB_RUNNING_RUNNING || status == DVB_RUNNING_PAUSING;
}

bool IsYetToStart(unsigned char status)
{
    return status == DVB_RUNNING_NOT_RUNNING || status == DVB_RUNNING_STARTS_SOON;
}
} // namespace

CKRXTimerScheduler::CKRXTimerScheduler(CKRXTimerRecorder& recorder, CString lockFolder, CString recordingFolder)
    : m_recorder(recorder)
    , m_lockFolder(std::move(lockFolder))
    , m_recordingFolder(std::move(recordingFolder))
{
}

CKRXTimerScheduler::~CKRXTimerScheduler() = default;

std::vector<CString> CKRXTimerScheduler::Tick(int64_t now, CKRXTimerList& timers)
{
    Log log;
    StopRemoved(timers, log);
    for (CKRXTimer& timer : timers.GetTimers()) {
        if (m_active.count(timer.id) != 0)
            Continue(now, timer, log);
        else if (timer.state == EKRXTimerState::Waiting)
            StartIfDue(now, timer, log);
        else if (timer.state == EKRXTimerState::Recording)
            ClaimOrphan(timer, log);
    }
    return log;
}

std::vector<CString> CKRXTimerScheduler::StopAll(CKRXTimerList& timers, const CString& reason)
{
    Log log;
    StopRemoved(timers, log);
    for (CKRXTimer& timer : timers.GetTimers()) {
        if (m_active.count(timer.id) != 0) {
            timer.reason = reason;
            End(timer, reason, log);
        }
    }
    return log;
}

bool CKRXTimerScheduler::HasWork(const CKRXTimerList& timers) const
{
    return IsRecording()
        || std::any_of(timers.GetTimers().begin(), timers.GetTimers().end(),
            [](const CKRXTimer& timer) { return timer.state == EKRXTimerState::Waiting; });
}

void CKRXTimerScheduler::StartIfDue(int64_t now, CKRXTimer& timer, Log& log)
{
    if (now < timer.GetRecordStart())
        return;
    if (now >= timer.GetRecordStop()) {
        timer.state = EKRXTimerState::Failed;
        timer.reason = "its time passed before it could start";
        log.push_back(FormatString("Timer %d failed: %s", timer.id, timer.reason.c_str()));
        return;
    }
    auto active = std::make_unique<Active>();
    CString error;
    // Another scheduler records it.
    if (!active->lock.Acquire(CKRXFileLock::TimerLockPath(m_lockFolder, timer.id), false, error))
        return;
    const CString file = ChooseFile(timer);
    switch (m_recorder.StartRecording(timer, file, error)) {
    case CKRXTimerRecorder::EStart::Later:
        return;
    case CKRXTimerRecorder::EStart::Failed:
        timer.state = EKRXTimerState::Failed;
        timer.reason = error;
        log.push_back(FormatString("Timer %d failed to start: %s", timer.id, error.c_str()));
        return;
    case CKRXTimerRecorder::EStart::Started:
        break;
    }
    timer.state = EKRXTimerState::Recording;
    timer.reason.clear();
    timer.file = file;
    active->timer = timer;
    m_active[timer.id] = std::move(active);
    log.push_back(FormatString("Timer %d started: '%s' on '%s' into '%s'", timer.id, timer.serviceName.c_str(),
        timer.multiplex.c_str(), file.c_str()));
}

void CKRXTimerScheduler::Continue(int64_t now, CKRXTimer& timer, Log& log)
{
    Active& active = *m_active[timer.id];
    bool fatal = false;
    const CString problem = m_recorder.CheckRecording(timer, fatal);
    if (!problem.empty() && problem != active.problem) {
        // The first problem stays the reason; each new one goes into the log.
        if (timer.reason.empty())
            timer.reason = problem;
        log.push_back(FormatString("Timer %d: %s", timer.id, problem.c_str()));
    }
    active.problem = problem;
    const CString why = fatal ? problem : StopReason(now, timer, active, log);
    if (!why.empty())
        End(timer, why, log);
}

CString CKRXTimerScheduler::StopReason(int64_t now, const CKRXTimer& timer, Active& active, Log& log)
{
    const unsigned char status = timer.followEvent && timer.HasEvent() ? m_recorder.GetRunningStatus(timer) : 0;
    active.seenRunning = active.seenRunning || status == DVB_RUNNING_RUNNING;
    if (now >= timer.GetRecordStop() + kFollowLimit)
        return "30 minutes past its time";
    if (active.seenRunning && status != 0 && !IsOnAir(status))
        return "the event has ended";
    if (now < timer.GetRecordStop())
        return "";
    const bool late = IsOnAir(status) || (!active.seenRunning && IsYetToStart(status));
    if (!late)
        return "its time is over";
    if (!active.extended)
        log.push_back(FormatString(
            "Timer %d extended: the event %s", timer.id, IsOnAir(status) ? "is still running" : "has not started yet"));
    active.extended = true;
    return "";
}

void CKRXTimerScheduler::End(CKRXTimer& timer, const CString& why, Log& log)
{
    CString error;
    if (!m_recorder.StopRecording(timer, error) && timer.reason.empty())
        timer.reason = error;
    timer.state = timer.reason.empty() ? EKRXTimerState::Done : EKRXTimerState::Failed;
    log.push_back(FormatString("Timer %d stopped (%s): '%s'%s%s", timer.id, why.c_str(), timer.file.c_str(),
        timer.reason.empty() ? "" : " failed: ", timer.reason.c_str()));
    m_active.erase(timer.id);
}

void CKRXTimerScheduler::ClaimOrphan(CKRXTimer& timer, Log& log)
{
    CKRXFileLock lock;
    CString error;
    if (!lock.Acquire(CKRXFileLock::TimerLockPath(m_lockFolder, timer.id), false, error))
        return;
    timer.state = EKRXTimerState::Failed;
    timer.reason = "whoever recorded it ended before it did; the file holds what was written";
    log.push_back(FormatString("Timer %d failed: %s", timer.id, timer.reason.c_str()));
}

void CKRXTimerScheduler::StopRemoved(const CKRXTimerList& timers, Log& log)
{
    for (auto it = m_active.begin(); it != m_active.end();) {
        const bool listed = std::any_of(timers.GetTimers().begin(), timers.GetTimers().end(),
            [id = it->first](const CKRXTimer& timer) { return timer.id == id; });
        if (listed) {
            ++it;
            continue;
        }
        CString error;
        m_recorder.StopRecording(it->second->timer, error);
        log.push_back(
            FormatString("Timer %d removed: stopped recording '%s'", it->first, it->second->timer.file.c_str()));
        it = m_active.erase(it);
    }
}

CString CKRXTimerScheduler::ChooseFile(const CKRXTimer& timer) const
{
    const time_t start = std::max<int64_t>(timer.start, 0);
    std::tm local {};
    localtime_r(&start, &local);
    return CKRXRecordingName::FirstFree(CKRXTimerFileName::Expand(timer, local, m_recordingFolder), Exists);
}
