#include "timers/KRXFileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

bool CKRXFileLock::Acquire(const CString& path, bool wait, CString& error)
{
    Release();
    // Each holder opens the file itself: flock belongs to the open file, so two
    // holders in one process exclude each other as two processes do.
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    int locked;
    do
        locked = flock(file, LOCK_EX | (wait ? 0 : LOCK_NB));
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        error = errno == EWOULDBLOCK ? "it is held by another recorder" : CString(std::strerror(errno));
        close(file);
        return false;
    }
    m_file = file;
    return true;
}

void CKRXFileLock::Release()
{
    if (m_file >= 0)
        close(m_file);
    m_file = -1;
}

CString CKRXFileLock::TimerLockPath(const CString& folder, int timerId)
{
    return folder + FormatString("Timer %d.lock", timerId);
}
