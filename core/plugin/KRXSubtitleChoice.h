#pragma once
// Which one subtitle component a service starts with. Painting every
// subtitle language of a service at once would lay them over each other, so
// the viewing flow starts one: the user's language, else the first.
#include "platform/CString.h"

#include <vector>

// True for the descriptions the subtitle decoder takes ("subtitles (eng)").
bool IsSubtitleComponent(const CString& description);

// The ISO 639-2 code of a locale name such as "de_DE.UTF-8" ("deu"); empty
// for "C", "POSIX", an empty name or a language without a known code.
CString SubtitleLanguageFromLocale(const char* locale);
// The language of the messages locale (LC_ALL, else LC_MESSAGES, else LANG).
CString DefaultSubtitleLanguage();

// The index in descriptions of the subtitle component to start: the first in
// the language (its bibliographic and terminology codes count as one), else
// the first subtitle component; -1 when there is none or language is "none".
int ChooseSubtitleComponent(const std::vector<CString>& descriptions, const CString& language);
