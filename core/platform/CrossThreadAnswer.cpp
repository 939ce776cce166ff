#include "platform/CrossThreadAnswer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {
// One lock for every answer and the joins, so that a join wakes every wait.
std::mutex g_lock;
std::condition_variable g_changed;
// The threads now waiting for another to end.
std::vector<std::thread::id> g_joining;
} // namespace

CCrossThreadAnswer::CCrossThreadAnswer(std::thread::id answerer)
    : m_answerer(answerer)
{
}

int CCrossThreadAnswer::Wait(int fallback)
{
    std::unique_lock<std::mutex> hold(g_lock);
    g_changed.wait(hold,
        [this] { return m_given || std::find(g_joining.begin(), g_joining.end(), m_answerer) != g_joining.end(); });
    if (m_given)
        return m_answer;
    m_abandoned = true;
    return fallback;
}

void CCrossThreadAnswer::Give(int answer)
{
    {
        std::lock_guard<std::mutex> hold(g_lock);
        m_answer = answer;
        m_given = true;
    }
    g_changed.notify_all();
}

bool CCrossThreadAnswer::IsAwaited() const
{
    std::lock_guard<std::mutex> hold(g_lock);
    return !m_abandoned;
}

void CCrossThreadAnswer::BeginJoin()
{
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_joining.push_back(std::this_thread::get_id());
    }
    g_changed.notify_all();
}

void CCrossThreadAnswer::EndJoin()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_joining.erase(std::find(g_joining.begin(), g_joining.end(), std::this_thread::get_id()));
}
