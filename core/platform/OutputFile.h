#pragma once
// A file the program writes, kept whole whatever happens to the write: an
// exclusive lock for as long as it is open, so that a second writer (this or
// another process) is refused instead of interleaving with the first, and
// writes that are all or nothing, so that a full disc or a size limit leaves
// the file ending where the last whole write ended. After a failure the file
// takes no more appended, and the cause stays for the message.
#include "platform/CString.h"

#include <cstddef>
#include <cstdint>

class COutputFile
{
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates or empties the file under its lock. Without blocking, a pipe
    // without a reader is refused at once and a write that cannot go on waits
    // a while for room, then fails: nobody reading can never hold the writer.
    bool Open(const CString& path, bool nonBlocking = false);
    // Appends all of it, or nothing when it fails.
    bool Write(const void* data, size_t size);
    // Overwrites (or extends) from offset without moving where Write appends;
    // for headers that count what follows, so it still works after a failed
    // Write. Regular files only.
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Releases the lock; false when the close reported an earlier write lost.
    bool Close();

    bool IsOpen() const { return m_file >= 0; }
    bool HasFailed() const { return !m_error.empty(); }
    // The bytes the file holds from Write and WriteAt.
    uint64_t GetSize() const { return m_size; }
    // Why the last Open, or the first failed write, failed ("File too large").
    const CString& GetError() const { return m_error; }

    // Whether the path could be opened and locked for writing now, without
    // changing it; false with the reason.
    static bool Probe(const CString& path, CString& reason);

private:
    bool Fail();
    // Takes the file back to its last whole write after a partial one.
    void DropPartialWrite();

    int m_file = -1;
    bool m_regular = false;
    uint64_t m_size = 0;
    CString m_error;
};
