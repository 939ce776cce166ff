#include "plugin/KRXAVLog.h"

#include "platform/CriticalSection.h"

#include <atomic>
#include <cstdio>

namespace {
CCriticalSection logSection;
FILE* logFile = nullptr;
std::atomic<bool> logOpen { false };
} // namespace

bool CKRXAVLog::Open(const CString& path)
{
    CSingleLock lock(&logSection, true);
    if (logFile)
        fclose(logFile);
    logFile = fopen(path.c_str(), "w");
    logOpen = logFile != nullptr;
    return logFile != nullptr;
}

void CKRXAVLog::Close()
{
    CSingleLock lock(&logSection, true);
    if (logFile)
        fclose(logFile);
    logFile = nullptr;
    logOpen = false;
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
    if (logFile) {
        fputs(line.c_str(), logFile);
        fputc('\n', logFile);
    }
}
