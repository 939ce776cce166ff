#include "plugin/KRXAVLog.h"

#include "platform/CriticalSection.h"
#include "platform/OutputFile.h"
#include "plugin/KRXOutputFaults.h"

#include <atomic>

namespace {
CCriticalSection logSection;
COutputFile logFile;
CString logPath;
std::atomic<bool> logOpen { false };

// Under the log's lock.
void CloseLog()
{
    if (!logFile.Close())
        CKRXOutputFaults::Report(logPath, logFile.GetError());
    logOpen = false;
}
} // namespace

bool CKRXAVLog::Open(const CString& path, CString& error)
{
    CSingleLock lock(&logSection, true);
    CloseLog();
    logPath = path;
    logOpen = logFile.Open(path);
    error = logFile.GetError();
    return logOpen;
}

void CKRXAVLog::Close()
{
    CSingleLock lock(&logSection, true);
    CloseLog();
}

bool CKRXAVLog::IsOpen()
{
    return logOpen.load(std::memory_order_relaxed);
}

void CKRXAVLog::Write(const CString& line)
{
    if (!IsOpen()) // the common case costs no lock
        return;
    CSingleLock lock(&logSection, true);
    if (!logFile.IsOpen() || logFile.HasFailed())
        return;
    if (!logFile.Write((line + '\n').data(), line.size() + 1))
        CKRXOutputFaults::Report(logPath, logFile.GetError());
}
