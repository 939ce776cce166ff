#pragma once
// Which audio components a service starts with, and which ones the MPEG audio
// decoder takes. Component descriptions read "audio", "audio (deu)",
// "audio description (eng)"; other codings add their name after "audio"
// ("audio AAC (eng)") and are not MPEG audio.
#include "platform/CString.h"

#include <vector>

// True for "audio", "audio (xxx)", "audio description" and "audio description (xxx)".
bool IsMPEGAudioDescription(const CString& description);

// The one soundtrack to start: the first plain "audio" component in the
// language (ISO 639-2, either form, e.g. "deu" or "ger"), else the first plain
// "audio" component, else the first audio component of any kind; -1 when
// there is none. The others stay available for the user to select.
int ChooseSoundtrack(const std::vector<CString>& descriptions, const CString& language);

// The user's language from the locale (LC_ALL, LC_MESSAGES, LANG), as an
// ISO 639-2 code ("de_DE.UTF-8" gives "deu"); "eng" when it says nothing known.
CString GetLocaleAudioLanguage();
