#include "plugin/KRXSubtitleChoice.h"

#include "plugin/KRXLanguage.h"

#include <strings.h>

bool IsSubtitleComponent(const CString& description)
{
    return description.size() >= 3 && strncasecmp(description.c_str(), "sub", 3) == 0;
}

bool IsTeletextComponent(const CString& description)
{
    return description.starts_with("teletext") || description.find("(teletext ") != CString::npos;
}

namespace {

// Lower is better: DVB subtitles, then teletext, pages for the hearing
// impaired last unless wanted, whatever the language.
int Rank(const CString& description, bool hearingImpaired)
{
    const bool forHearingImpaired = description.find("hearing impaired") != CString::npos;
    return (IsTeletextComponent(description) ? 1 : 0) + (forHearingImpaired != hearingImpaired ? 2 : 0);
}

} // namespace

int ChooseSubtitleComponent(const std::vector<CString>& descriptions, const CString& language, bool hearingImpaired)
{
    if (strcasecmp(language.c_str(), "none") == 0)
        return -1;
    const CString wanted = CanonicalLanguageCode(language);
    int inLanguage = -1, first = -1;
    const auto better = [&](int index, int than) {
        return than < 0
            || Rank(descriptions[size_t(index)], hearingImpaired) < Rank(descriptions[size_t(than)], hearingImpaired);
    };
    for (int index = 0; index < int(descriptions.size()); ++index) {
        if (!IsSubtitleComponent(descriptions[size_t(index)]))
            continue;
        if (!wanted.empty() && CanonicalLanguageCode(DescriptionLanguage(descriptions[size_t(index)])) == wanted
            && better(index, inLanguage))
            inLanguage = index;
        if (better(index, first))
            first = index;
    }
    return inLanguage >= 0 ? inLanguage : first;
}
