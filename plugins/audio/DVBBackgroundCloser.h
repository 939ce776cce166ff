#pragma once
// Runs the slow end of closing a device on a thread of its own. Closing SDL's
// sound device waits for SDL's own thread to finish a buffer, tens of
// milliseconds; the decoder thread that closes it is joined by the window's
// thread at every zap, which must not wait for that.
//
// Jobs run one after the other in the order posted. The closer's owner ends
// it before the module's code goes: the destructor runs what is still queued,
// then joins the thread.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CDVBBackgroundCloser
{
public:
    using Job = std::function<void()>;

    CDVBBackgroundCloser();
    ~CDVBBackgroundCloser();
    CDVBBackgroundCloser(const CDVBBackgroundCloser&) = delete;
    CDVBBackgroundCloser& operator=(const CDVBBackgroundCloser&) = delete;

    void Post(Job job);
    // Returns once every job posted before the call has run.
    void WaitUntilIdle();

    // The one that the module's sound devices share, ended when it unloads.
    static CDVBBackgroundCloser& Get();

private:
    void Run();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_running = false; // a job taken from the queue is under way
    bool m_stopping = false;
    std::thread m_thread;
};
