#include "plugin/KRXSoundtrackChoice.h"

#include "plugin/KRXLanguage.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {
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

} // namespace

int ChooseSoundtrack(const std::vector<CString>& descriptions, const CString& language)
{
    int plainAudio = -1;
    int anyAudio = -1;
    const CString wanted = CanonicalLanguageCode(language);
    for (size_t i = 0; i < descriptions.size(); i++) {
        const int index = static_cast<int>(i);
        if (anyAudio < 0 && StartsWith(descriptions[i], "audio"))
            anyAudio = index;
        CString kind, itsLanguage;
        if (!SplitDescription(descriptions[i], kind, itsLanguage) || kind != "audio")
            continue;
        if (!wanted.empty() && CanonicalLanguageCode(itsLanguage) == wanted)
            return index;
        if (plainAudio < 0)
            plainAudio = index;
    }
    return plainAudio >= 0 ? plainAudio : anyAudio;
}
