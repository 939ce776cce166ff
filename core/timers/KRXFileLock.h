#pragma once
// An exclusive lock on a file, held until release or destruction, between
// processes and between two holders in one process alike. The timers file's
// changes take it waiting; a timer's recording takes it without waiting, so
// that the program and the recorder never both record one timer.
#include "platform/CString.h"

class CKRXFileLock
{
public:
    CKRXFileLock() = default;
    ~CKRXFileLock() { Release(); }
    CKRXFileLock(const CKRXFileLock&) = delete;
    CKRXFileLock& operator=(const CKRXFileLock&) = delete;

    // Creates the file when missing and locks it; without waiting, false when
    // another holder has it. False with the reason in error.
    bool Acquire(const CString& path, bool wait, CString& error);
    void Release();
    bool IsHeld() const { return m_file >= 0; }

    // The lock a timer's recording holds, in the timers' folder.
    static CString TimerLockPath(const CString& folder, int timerId);

private:
    int m_file = -1;
};
