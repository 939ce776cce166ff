#include "platform/Event.h"

#include "platform/Clock.h"

#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr int kMaxWaitEvents = 16;
}

CEvent::CEvent(bool manualReset, bool initiallySet)
    : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_manualReset(manualReset)
{
    if (m_fd < 0)
        throw std::runtime_error("eventfd failed");
    if (initiallySet)
        Set();
}

CEvent::~CEvent()
{
    close(m_fd);
}

void CEvent::Set()
{
    m_sets.fetch_add(1, std::memory_order_release);
    if (m_manualReset) {
        // A manual-reset event that is set already stays set: no system call.
        std::lock_guard lock(m_stateLock);
        if (m_signalled)
            return;
        m_signalled = true;
        Signal();
        return;
    }
    Signal();
}

void CEvent::Reset()
{
    if (m_manualReset) {
        std::lock_guard lock(m_stateLock);
        if (!m_signalled)
            return;
        m_signalled = false;
    }
    uint64_t value;
    while (read(m_fd, &value, sizeof value) < 0 && errno == EINTR) { }
}

bool CEvent::IsSet() const
{
    bool set;
    if (m_manualReset) {
        std::lock_guard lock(m_stateLock);
        set = m_signalled;
    } else {
        pollfd pfd { m_fd, POLLIN, 0 };
        set = poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLIN);
    }
    if (set)
        Acquire();
    return set;
}

void CEvent::Signal()
{
    // The counter only ever needs to be non-zero; repeated sets just add to it.
    const uint64_t one = 1;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) { }
}

bool CEvent::TryClaim()
{
    if (m_manualReset)
        return IsSet();
    uint64_t value;
    const bool claimed = read(m_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
    if (claimed)
        Acquire();
    return claimed;
}

bool CEvent::Wait(uint32_t timeoutMs)
{
    CEvent* self = this;
    return WaitForEvents(&self, 1, timeoutMs) == 0;
}

int WaitForEvents(std::initializer_list<CEvent*> events, uint32_t timeoutMs)
{
    return WaitForEvents(events.begin(), static_cast<int>(events.size()), timeoutMs);
}

int WaitForEvents(CEvent* const* events, int count, uint32_t timeoutMs)
{
    if (count <= 0 || count > kMaxWaitEvents)
        return KRX_WAIT_TIMEOUT;
    pollfd fds[kMaxWaitEvents];
    for (int i = 0; i < count; i++)
        fds[i] = pollfd { events[i]->GetDescriptor(), POLLIN, 0 };

    const int64_t deadline = GetMonotonicNanoseconds() + int64_t(timeoutMs) * 1000000;
    for (;;) {
        int waitMs = -1;
        if (timeoutMs != KRX_INFINITE) {
            const int64_t left = deadline - GetMonotonicNanoseconds();
            // Round up so a short wait never becomes a busy poll of zero.
            waitMs = left <= 0 ? 0 : static_cast<int>((left + 999999) / 1000000);
        }
        const int ready = poll(fds, count, waitMs);
        if (ready < 0 && errno != EINTR)
            return KRX_WAIT_TIMEOUT;
        if (ready > 0) {
            for (int i = 0; i < count; i++) {
                if ((fds[i].revents & POLLIN) && events[i]->TryClaim())
                    return i;
            }
        }
        // Another waiter may have consumed an auto-reset event first: wait on.
        if (waitMs == 0)
            return KRX_WAIT_TIMEOUT;
    }
}
