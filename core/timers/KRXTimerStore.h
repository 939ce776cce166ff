#pragma once
// The timers file in the user's data folder ("Timers.txt"), shared by the
// program and the recorder: every change reads the file, changes it and
// writes it back whole under a lock, so neither loses the other's changes,
// and a failed write leaves the previous file as it was. A file with a line
// that cannot be read is never written over: the user's timers stay there to
// be mended.
#include "timers/KRXTimerList.h"

#include <functional>

class CKRXTimerStore
{
public:
    // The folder ends with '/'.
    explicit CKRXTimerStore(CString folder);
    // In the user's data folder.
    static CKRXTimerStore ForUser();

    // The timers as the file has them; a missing file has none. False with
    // the reason when the file cannot be read whole.
    bool Read(CKRXTimerList& timers, CString& error) const;
    // Reads the timers, lets change alter them and writes them back. False
    // with the reason when reading or writing failed (nothing is written then).
    bool Change(const std::function<void(CKRXTimerList&)>& change, CString& error) const;

    const CString& GetFolder() const { return m_folder; }
    CString GetPath() const { return m_folder + "Timers.txt"; }

private:
    bool Write(const CKRXTimerList& timers, CString& error) const;

    CString m_folder;
};
