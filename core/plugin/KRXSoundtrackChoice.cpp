#include "plugin/KRXSoundtrackChoice.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {
struct LanguageCodes {
    const char* twoLetter;
    const char* terminology; // ISO 639-2/T
    const char* bibliographic; // ISO 639-2/B where it differs
};

// The languages of European broadcasts.
constexpr LanguageCodes kLanguages[] = {
    { "en", "eng", "eng" },
    { "de", "deu", "ger" },
    { "fr", "fra", "fre" },
    { "it", "ita", "ita" },
    { "es", "spa", "spa" },
    { "nl", "nld", "dut" },
    { "pt", "por", "por" },
    { "sv", "swe", "swe" },
    { "da", "dan", "dan" },
    { "nb", "nor", "nor" },
    { "no", "nor", "nor" },
    { "fi", "fin", "fin" },
    { "pl", "pol", "pol" },
    { "cs", "ces", "cze" },
    { "sk", "slk", "slo" },
    { "hu", "hun", "hun" },
    { "el", "ell", "gre" },
    { "tr", "tur", "tur" },
    { "ru", "rus", "rus" },
    { "cy", "cym", "wel" },
    { "ga", "gle", "gle" },
};

bool StartsWith(const CString& text, const char* prefix)
{
    return text.compare(0, CString(prefix).size(), prefix) == 0;
}

// "(xxx)" after a space, or nothing.
bool IsLanguageSuffixOrEmpty(const CString& rest)
{
    return rest.empty() || (rest.size() >= 4 && rest[0] == ' ' && rest[1] == '(' && rest.back() == ')');
}

// The plain kind of the description ("audio" or "audio description") and its
// language, or false for a description of any other form.
bool SplitDescription(const CString& description, CString& kind, CString& language)
{
    for (const char* candidate : { "audio description", "audio" }) {
        if (!StartsWith(description, candidate))
            continue;
        const CString rest = description.substr(CString(candidate).size());
        if (!IsLanguageSuffixOrEmpty(rest))
            continue;
        kind = candidate;
        language = rest.empty() ? CString() : rest.substr(2, rest.size() - 3);
        return true;
    }
    return false;
}

// The terminology form of a three-letter code, so "ger" and "deu" compare equal.
CString Canonical(const CString& code)
{
    for (const LanguageCodes& codes : kLanguages)
        if (strcasecmp(code.c_str(), codes.bibliographic) == 0 || strcasecmp(code.c_str(), codes.terminology) == 0)
            return codes.terminology;
    return code;
}
} // namespace

bool IsMPEGAudioDescription(const CString& description)
{
    CString kind, language;
    return SplitDescription(description, kind, language);
}

int ChooseSoundtrack(const std::vector<CString>& descriptions, const CString& language)
{
    int plainAudio = -1;
    int anyAudio = -1;
    const CString wanted = Canonical(language);
    for (size_t i = 0; i < descriptions.size(); i++) {
        const int index = static_cast<int>(i);
        if (anyAudio < 0 && StartsWith(descriptions[i], "audio"))
            anyAudio = index;
        CString kind, itsLanguage;
        if (!SplitDescription(descriptions[i], kind, itsLanguage) || kind != "audio")
            continue;
        if (!wanted.empty() && Canonical(itsLanguage) == wanted)
            return index;
        if (plainAudio < 0)
            plainAudio = index;
    }
    return plainAudio >= 0 ? plainAudio : anyAudio;
}

CString GetLocaleAudioLanguage()
{
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        for (const LanguageCodes& codes : kLanguages)
            if (strncmp(value, codes.twoLetter, 2) == 0 && (value[2] == '\0' || value[2] == '_' || value[2] == '.'))
                return codes.terminology;
        break; // the first one set decides, as for the locale itself
    }
    return "eng";
}
