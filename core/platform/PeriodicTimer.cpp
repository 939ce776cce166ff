#include "platform/PeriodicTimer.h"

#include <ctime>

CPeriodicTimer::~CPeriodicTimer()
{
    Stop();
}

bool CPeriodicTimer::Start(uint32_t periodMs, CEvent* event)
{
    if (m_thread.joinable() || periodMs == 0 || event == nullptr)
        return false;
    m_stop = false;
    m_thread = std::thread(&CPeriodicTimer::Run, this, periodMs, event);
    return true;
}

void CPeriodicTimer::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

void CPeriodicTimer::Run(uint32_t periodMs, CEvent* event)
{
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    const long periodNs = long(periodMs) * 1000000;
    while (!m_stop) {
        next.tv_nsec += periodNs;
        while (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            next.tv_sec++;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        if (!m_stop)
            event->Set();
    }
}
