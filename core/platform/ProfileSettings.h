#pragma once
// Reads the program's settings without Qt: the INI file that
// QSettings("Hollowmere", "Korrix") keeps. Read-only; the program's window
// writes the file. Section and key names are given as the program names
// them ("Video", "OverlayColour"); the file's escapes are undone here.
#include "platform/CString.h"

#include <map>

class CProfileSettings
{
public:
    // A missing or unreadable file reads as empty: every lookup gives its default.
    explicit CProfileSettings(const CString& path);
    // The user's settings, where the program keeps them.
    static CProfileSettings ForUser();
    static CString GetUserSettingsPath();

    // The integer under section/key; the default when absent or not a number.
    int GetInt(const CString& section, const CString& key, int defaultValue) const;
    CString GetString(const CString& section, const CString& key, const CString& defaultValue) const;

private:
    const CString* Find(const CString& section, const CString& key) const;

    std::map<CString, CString> m_values; // "section/key" -> raw value
};
