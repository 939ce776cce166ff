#include "platform/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How long a non-blocking write waits for a pipe or device to take more.
constexpr int kWriteWaitMs = 5000;
const char* const kLockedReason = "it is being written already";

// False with errno set when the descriptor is held by another writer. File
// systems without locks are written unlocked rather than not at all.
bool Lock(int file)
{
    if (flock(file, LOCK_EX | LOCK_NB) == 0)
        return true;
    return errno != EWOULDBLOCK;
}

int OpenForWriting(const CString& path, bool nonBlocking)
{
    return open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0), 0666);
}

bool WaitForRoom(int file)
{
    pollfd room { file, POLLOUT, 0 };
    int ready;
    do
        ready = poll(&room, 1, kWriteWaitMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0)
        errno = ETIMEDOUT;
    return ready > 0;
}
} // namespace

COutputFile::~COutputFile()
{
    Close();
}

bool COutputFile::Open(const CString& path, bool nonBlocking)
{
    Close();
    m_error.clear();
    m_size = 0;
    m_file = OpenForWriting(path, nonBlocking);
    if (m_file < 0)
        return Fail();
    struct stat status;
    m_regular = fstat(m_file, &status) == 0 && S_ISREG(status.st_mode);
    // Emptied only once it is ours: a refused writer must not destroy the file.
    const bool locked = Lock(m_file);
    if (locked && (!m_regular || ftruncate(m_file, 0) == 0))
        return true;
    m_error = locked ? std::strerror(errno) : kLockedReason;
    close(m_file);
    m_file = -1;
    return false;
}

bool COutputFile::Write(const void* data, size_t size)
{
    if (m_file < 0 || HasFailed())
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t done = 0;
    while (done < size) {
        // A regular file is written at its end as counted here, whatever WriteAt did.
        const ssize_t written = m_regular ? pwrite(m_file, bytes + done, size - done, static_cast<off_t>(m_size + done))
                                          : write(m_file, bytes + done, size - done);
        if (written > 0) {
            done += static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && (errno == EINTR || (errno == EAGAIN && WaitForRoom(m_file))))
            continue;
        if (written == 0)
            errno = ENOSPC;
        Fail();
        DropPartialWrite();
        return false;
    }
    m_size += size;
    return true;
}

bool COutputFile::WriteAt(uint64_t offset, const void* data, size_t size)
{
    if (m_file < 0)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t written = pwrite(m_file, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            Fail();
            DropPartialWrite();
            return false;
        }
        done += static_cast<size_t>(written);
    }
    m_size = std::max<uint64_t>(m_size, offset + size);
    return true;
}

bool COutputFile::Close()
{
    if (m_file < 0)
        return true;
    // Some file systems only report a lost write when the file is closed.
    const bool closed = close(m_file) == 0;
    m_file = -1;
    if (!closed && !HasFailed())
        m_error = std::strerror(errno);
    return closed;
}

bool COutputFile::Probe(const CString& path, CString& reason)
{
    const int file = OpenForWriting(path, true);
    if (file < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const bool locked = Lock(file);
    close(file);
    if (!locked)
        reason = kLockedReason;
    return locked;
}

bool COutputFile::Fail()
{
    if (!HasFailed())
        m_error = std::strerror(errno);
    return false;
}

void COutputFile::DropPartialWrite()
{
    if (!m_regular)
        return;
    // Best effort: the failure is already told.
    [[maybe_unused]] const int truncated = ftruncate(m_file, static_cast<off_t>(m_size));
}
