#include "timers/KRXTimerStore.h"

#include "platform/OutputFile.h"
#include "platform/ProgramFolder.h"
#include "timers/KRXFileLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

CKRXTimerStore::CKRXTimerStore(CString folder)
    : m_folder(std::move(folder))
{
}

CKRXTimerStore CKRXTimerStore::ForUser()
{
    return CKRXTimerStore(GetUserDataFolder());
}

bool CKRXTimerStore::Read(CKRXTimerList& timers, CString& error) const
{
    std::ifstream file(GetPath(), std::ios::binary);
    if (!file) {
        timers = CKRXTimerList();
        if (errno == ENOENT)
            return true;
        error = "cannot read '" + GetPath() + "': " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    int badLine = 0;
    if (timers.Parse(text.str(), badLine))
        return true;
    error = FormatString("'%s' line %d is not a timer; mend or remove it", GetPath().c_str(), badLine);
    return false;
}

bool CKRXTimerStore::Change(const std::function<void(CKRXTimerList&)>& change, CString& error) const
{
    std::error_code ignored; // a folder that cannot be made fails at the lock
    std::filesystem::create_directories(m_folder, ignored);
    CKRXFileLock lock;
    if (!lock.Acquire(m_folder + "Timers.lock", true, error))
        return false;
    CKRXTimerList timers;
    if (!Read(timers, error))
        return false;
    const CString before = timers.Format();
    change(timers);
    // Most changes change nothing: the file stays as it is.
    return timers.Format() == before || Write(timers, error);
}

bool CKRXTimerStore::Write(const CKRXTimerList& timers, CString& error) const
{
    const CString temporary = GetPath() + ".new";
    COutputFile file;
    const CString text = timers.Format();
    bool written = file.Open(temporary) && file.Write(text.data(), text.size());
    const CString reason = file.GetError();
    written = file.Close() && written;
    if (written && std::rename(temporary.c_str(), GetPath().c_str()) == 0)
        return true;
    error = "cannot write '" + GetPath() + "': " + (reason.empty() ? CString(std::strerror(errno)) : reason);
    std::remove(temporary.c_str());
    return false;
}
