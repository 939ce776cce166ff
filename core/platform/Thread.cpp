#include "platform/Thread.h"

#include "platform/CrossThreadAnswer.h"
#include "platform/DebugOutput.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

CThread::CThread(CString name)
    : m_name(std::move(name))
{
}

CThread::~CThread()
{
    StopWithin(KRX_INFINITE);
}

bool CThread::Start(std::function<void()> body)
{
    if (m_thread.joinable())
        return false;
    m_finished.Reset();
    m_thread = std::thread([this, body = std::move(body)] {
        body();
        m_finished.Set();
    });
    return true;
}

bool CThread::StopWithin(uint32_t timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    // The thread may be waiting for an answer from this one.
    CCrossThreadAnswer::BeginJoin();
    const bool inTime = m_finished.Wait(timeoutMs);
    if (!inTime)
        DebugOutput(FormatString("%s did not stop within %u ms; waiting for it\n", m_name.c_str(), timeoutMs));
    m_thread.join();
    CCrossThreadAnswer::EndJoin();
    return inTime;
}

bool SetCurrentThreadPriority(int priority)
{
    // Each step is worth five nice levels; only root may go below zero.
    const int nice = -5 * priority;
    const pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}
