#pragma once
// Decides, each time it is given the time, which timers start and stop, and
// keeps their states: a timer records from its padded start to its padded
// stop; one that follows its event and whose running status is sent stops
// when the event stops running, and runs on while the event has not ended,
// at most 30 minutes past its padded stop. A recording holds its timer's lock
// in the timers' folder, so that two schedulers (the program and the
// recorder) never record one timer; a timer left "recording" with nobody
// holding its lock failed with whoever recorded it.
//
// Ticks run inside the timers store's change, so the states written and the
// locks released are seen together by the other scheduler.
#include "timers/KRXFileLock.h"
#include "timers/KRXTimer.h"

#include <map>
#include <memory>
#include <vector>

class CKRXTimerList;
class CKRXTimerRecorder;

class CKRXTimerScheduler
{
public:
    static constexpr int64_t kFollowLimit = 30 * 60;

    // Files without a folder of their own go into recordingFolder.
    CKRXTimerScheduler(CKRXTimerRecorder& recorder, CString lockFolder, CString recordingFolder);
    ~CKRXTimerScheduler();
    CKRXTimerScheduler(const CKRXTimerScheduler&) = delete;
    CKRXTimerScheduler& operator=(const CKRXTimerScheduler&) = delete;

    // Starts and stops what is due at now (UTC seconds); returns a line for
    // the log for each start, stop, extension and problem.
    std::vector<CString> Tick(int64_t now, CKRXTimerList& timers);
    // Stops every recording this scheduler runs, marking it failed for the reason.
    std::vector<CString> StopAll(CKRXTimerList& timers, const CString& reason);
    bool IsRecording() const { return !m_active.empty(); }
    // Whether a timer is left for a future tick: waiting, or recording here.
    bool HasWork(const CKRXTimerList& timers) const;

private:
    struct Active {
        CKRXTimer timer; // as it started, to stop it when it leaves the list
        CKRXFileLock lock;
        bool seenRunning = false;
        bool extended = false;
        CString problem;
    };
    using Log = std::vector<CString>;

    void StartIfDue(int64_t now, CKRXTimer& timer, Log& log);
    void Continue(int64_t now, CKRXTimer& timer, Log& log);
    CString StopReason(int64_t now, const CKRXTimer& timer, Active& active, Log& log);
    void End(CKRXTimer& timer, const CString& why, Log& log);
    void ClaimOrphan(CKRXTimer& timer, Log& log);
    void StopRemoved(const CKRXTimerList& timers, Log& log);
    CString ChooseFile(const CKRXTimer& timer) const;

    CKRXTimerRecorder& m_recorder;
    CString m_lockFolder;
    CString m_recordingFolder;
    std::map<int, std::unique_ptr<Active>> m_active;
};
