#pragma once
// A re-entrant lock and its scoped holder, with the names the system has always used.
#include <mutex>

class CCriticalSection
{
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class CSingleLock
{
public:
    explicit CSingleLock(CCriticalSection* section, bool lockNow = false) : m_section(section)
    {
        if (lockNow)
            Lock();
    }
    ~CSingleLock()
    {
        if (m_locked)
            Unlock();
    }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    void Lock()
    {
        if (!m_locked) {
            m_section->Lock();
            m_locked = true;
        }
    }
    void Unlock()
    {
        if (m_locked) {
            m_locked = false;
            m_section->Unlock();
        }
    }
    bool IsLocked() const { return m_locked; }

private:
    CCriticalSection* m_section;
    bool m_locked = false;
};
