#pragma once
// A list the user keeps in a data file of its own (the timers, the
// favourites), read and changed whole under the file's lock. A file with a
// line that cannot be read is never written over: the user's entries stay
// there to be mended.
//
// The list gives its file's name (kFileName), what one entry is called
// (kEntryName, "a timer"), Format() and Parse(text, badLine).
#include "platform/ProgramFolder.h"
#include "timers/KRXDataFile.h"

#include <functional>

template <class List> class CKRXListStore
{
public:
    // The folder ends with '/'.
    explicit CKRXListStore(CString folder)
        : m_file(std::move(folder), List::kFileName)
    {
    }
    // In the user's data folder.
    static CKRXListStore ForUser() { return CKRXListStore(GetUserDataFolder()); }

    // The list as the file has it; a missing file has an empty one. False
    // with the reason when the file cannot be read whole.
    bool Read(List& list, CString& error) const
    {
        CString text;
        return m_file.Read(text, error) && Parse(text, list, error);
    }
    // Reads the list, lets change alter it and writes it back. False with the
    // reason when reading or writing failed (nothing is written then).
    bool Change(const std::function<void(List&)>& change, CString& error) const
    {
        return m_file.Change(
            [&](CString& text, CString& error) {
                List list;
                if (!Parse(text, list, error))
                    return false;
                // Most changes change nothing: the file stays as it is.
                const CString before = list.Format();
                change(list);
                if (list.Format() != before)
                    text = list.Format();
                return true;
            },
            error);
    }

    const CString& GetFolder() const { return m_file.GetFolder(); }
    const CString& GetPath() const { return m_file.GetPath(); }

private:
    bool Parse(const CString& text, List& list, CString& error) const
    {
        int badLine = 0;
        if (list.Parse(text, badLine))
            return true;
        error = FormatString("'%s' line %d is not %s; mend or remove it", GetPath().c_str(), badLine, List::kEntryName);
        return false;
    }

    CKRXDataFile m_file;
};
