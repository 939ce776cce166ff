#pragma once
// A text file in the user's data folder that several processes change (the
// program and the recorder): every change reads the file, changes it and
// writes it back whole under a lock, so none loses another's changes, and a
// failed write leaves the previous file as it was.
#include "platform/CString.h"

#include <functional>

class CKRXDataFile
{
public:
    // The folder ends with '/'; the file is name + ".txt", its lock name + ".lock".
    CKRXDataFile(CString folder, const CString& name);

    // The file's text; a missing file has none. False with the reason when it cannot be read.
    bool Read(CString& text, CString& error) const;
    // Reads the text under the lock and lets change alter it; writes it back
    // when it changed. False with the reason when reading, the change or
    // writing failed (nothing is written then).
    bool Change(const std::function<bool(CString& text, CString& error)>& change, CString& error) const;

    const CString& GetFolder() const { return m_folder; }
    const CString& GetPath() const { return m_path; }

private:
    bool Write(const CString& text, CString& error) const;

    CString m_folder;
    CString m_path;
    CString m_lockPath;
};
