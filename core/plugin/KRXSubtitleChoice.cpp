#include "plugin/KRXSubtitleChoice.h"

#include "plugin/KRXLanguage.h"

#include <strings.h>

bool IsSubtitleComponent(const CString& description)
{
    return description.size() >= 3 && strncasecmp(description.c_str(), "sub", 3) == 0;
}

int ChooseSubtitleComponent(const std::vector<CString>& descriptions, const CString& language)
{
    if (strcasecmp(language.c_str(), "none") == 0)
        return -1;
    const CString wanted = CanonicalLanguageCode(language);
    int first = -1;
    for (size_t index = 0; index < descriptions.size(); ++index) {
        if (!IsSubtitleComponent(descriptions[index]))
            continue;
        if (!wanted.empty() && CanonicalLanguageCode(DescriptionLanguage(descriptions[index])) == wanted)
            return int(index);
        if (first < 0)
            first = int(index);
    }
    return first;
}
