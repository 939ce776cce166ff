#pragma once
// Languages as DVB names them: ISO 639-2 codes in component descriptions
// ("audio (deu)", "subtitles (ger)") and the user's own from the locale.
#include "platform/CString.h"

// The terminology code, in lower case, for either code of a language
// ("ger" and "deu" both give "deu"); any other code in lower case.
CString CanonicalLanguageCode(const CString& code);
// The language of a description's "(xxx)" or "(teletext 888, xxx)", or empty.
CString DescriptionLanguage(const CString& description);
// The ISO 639-2 code of a locale name such as "de_DE.UTF-8" ("deu"); empty
// for "C", "POSIX", an empty name or a language without a known code.
CString LanguageFromLocale(const char* locale);
// The language of the messages locale (LC_ALL, else LC_MESSAGES, else LANG).
CString GetLocaleLanguage();
