#pragma once
// Manual- and auto-reset events and a wait on several of them at once.
//
// Each event is an eventfd, so one poll() waits on any mix of events without a
// shared lock and without lost wake-ups. WaitForEvents reports the first
// signalled event in list order: the order of the list is its priority. An
// auto-reset event is consumed by the wait that reports it, and by no other.
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>

constexpr uint32_t KRX_INFINITE = 0xFFFFFFFFu;
constexpr int KRX_WAIT_TIMEOUT = -1;

class CEvent
{
public:
    CEvent(bool manualReset, bool initiallySet);
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();
    // True when set; does not consume an auto-reset event.
    bool IsSet() const;
    bool IsManualReset() const { return m_manualReset; }

    // Waits for this one event; true when it was signalled within the time-out.
    bool Wait(uint32_t timeoutMs);

    int GetDescriptor() const { return m_fd; }

    // Claims the signal for a waiter that saw the descriptor readable: always
    // true for a manual-reset event, true for an auto-reset event only if this
    // caller consumed it first.
    bool TryClaim();

private:
    // Orders what the setter wrote before Set with what the waiter reads after
    // seeing the event, in terms the thread checker understands as well as
    // the kernel's own ordering.
    void Acquire() const { (void)m_sets.load(std::memory_order_acquire); }
    void Signal();

    int m_fd;
    bool m_manualReset;
    // Whether a manual-reset event is set, so that setting it again or
    // resetting it while clear costs no system call; the lock keeps the flag
    // and the descriptor in agreement.
    mutable std::mutex m_stateLock;
    bool m_signalled = false;
    std::atomic<uint64_t> m_sets { 0 };
};

// Returns the index of the first signalled event in list order, or
// KRX_WAIT_TIMEOUT. A time-out of KRX_INFINITE waits for ever.
int WaitForEvents(std::initializer_list<CEvent*> events, uint32_t timeoutMs);
int WaitForEvents(CEvent* const* events, int count, uint32_t timeoutMs);
