#pragma once
// A periodic timer that only sets an event each period; all work is done by
// whoever waits on the event. Periods are kept on an absolute schedule, so a
// late wake-up does not shift the ones after it.
#include "platform/Event.h"

#include <atomic>
#include <cstdint>
#include <thread>

class CPeriodicTimer
{
public:
    CPeriodicTimer() = default;
    ~CPeriodicTimer();
    CPeriodicTimer(const CPeriodicTimer&) = delete;
    CPeriodicTimer& operator=(const CPeriodicTimer&) = delete;

    // Starts setting the event every periodMs milliseconds; false if already running.
    bool Start(uint32_t periodMs, CEvent* event);
    // Stops within one period; harmless when not running.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    void Run(uint32_t periodMs, CEvent* event);

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
