#include "DVBBackgroundCloser.h"

CDVBBackgroundCloser::CDVBBackgroundCloser()
    : m_thread([this] { Run(); })
{
}

CDVBBackgroundCloser::~CDVBBackgroundCloser()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CDVBBackgroundCloser::Post(Job job)
{
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

void CDVBBackgroundCloser::WaitUntilIdle()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_running; });
}

CDVBBackgroundCloser& CDVBBackgroundCloser::Get()
{
    static CDVBBackgroundCloser closer;
    return closer;
}

void CDVBBackgroundCloser::Run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, with nothing left to close
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        lock.unlock();
        job();
        lock.lock();
        m_running = false;
        m_changed.notify_all();
    }
}
