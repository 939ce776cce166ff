#pragma once
// A worker thread with the stop-then-join rule: Linux cannot kill a thread
// safely, so every thread loop must end by itself once asked. StopWithin waits
// the allowed time for the thread to finish, reports on the debug output if it
// has not, and then joins it regardless.
#include "platform/CString.h"
#include "platform/Event.h"

#include <functional>
#include <thread>

class CThread
{
public:
    explicit CThread(CString name = "thread");
    ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts the body on a new thread; false if one is already running.
    bool Start(std::function<void()> body);
    // Waits up to timeoutMs for the body to return (the caller has already
    // asked it to stop), then joins. True when it finished within the time.
    bool StopWithin(uint32_t timeoutMs);
    bool IsRunning() const { return m_thread.joinable(); }
    // True once the body has returned.
    bool HasFinished() const { return m_finished.IsSet(); }

private:
    CString m_name;
    std::thread m_thread;
    CEvent m_finished{true, false};
};

// Thread priorities on the scale the system uses (-2 lowest .. 2 highest).
enum EKRXThreadPriority {
    KRX_PRIORITY_LOWEST = -2,
    KRX_PRIORITY_BELOW_NORMAL = -1,
    KRX_PRIORITY_NORMAL = 0,
    KRX_PRIORITY_ABOVE_NORMAL = 1,
    KRX_PRIORITY_HIGHEST = 2,
};

// Best effort: raises or lowers the calling thread's scheduling priority.
// Returns false when the system refuses, which callers ignore.
bool SetCurrentThreadPriority(int priority);
