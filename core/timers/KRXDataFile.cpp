#include "timers/KRXDataFile.h"

#include "platform/OutputFile.h"
#include "timers/KRXFileLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

CKRXDataFile::CKRXDataFile(CString folder, const CString& name)
    : m_folder(std::move(folder))
    , m_path(m_folder + name + ".txt")
    , m_lockPath(m_folder + name + ".lock")
{
}

bool CKRXDataFile::Read(CString& text, CString& error) const
{
    text.clear();
    std::ifstream file(m_path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT)
            return true;
        error = "cannot read '" + m_path + "': " + std::strerror(errno);
        return false;
    }
    std::ostringstream whole;
    whole << file.rdbuf();
    text = whole.str();
    return true;
}

bool CKRXDataFile::Change(const std::function<bool(CString& text, CString& error)>& change, CString& error) const
{
    std::error_code ignored; // a folder that cannot be made fails at the lock
    std::filesystem::create_directories(m_folder, ignored);
    CKRXFileLock lock;
    if (!lock.Acquire(m_lockPath, true, error))
        return false;
    CString text;
    if (!Read(text, error))
        return false;
    const CString before = text;
    if (!change(text, error))
        return false;
    return text == before || Write(text, error);
}

bool CKRXDataFile::Write(const CString& text, CString& error) const
{
    const CString temporary = m_path + ".new";
    COutputFile file;
    bool written = file.Open(temporary) && file.Write(text.data(), text.size());
    const CString reason = file.GetError();
    written = file.Close() && written;
    if (written && std::rename(temporary.c_str(), m_path.c_str()) == 0)
        return true;
    error = "cannot write '" + m_path + "': " + (reason.empty() ? CString(std::strerror(errno)) : reason);
    std::remove(temporary.c_str());
    return false;
}
