#pragma once
// Which one subtitle component a service starts with. Painting every
// subtitle language of a service at once would lay them over each other, so
// the viewing flow starts one: the user's language, else the first.
#include "platform/CString.h"

#include <vector>

// True for subtitle descriptions, DVB or teletext ("subtitles (eng)",
// "subtitles (teletext 888, ita)").
bool IsSubtitleComponent(const CString& description);
// True for the descriptions of teletext components: a magazine ("teletext
// (eng)") or a subtitle page.
bool IsTeletextComponent(const CString& description);

// The index in descriptions of the subtitle component to start: the first in
// the language (its bibliographic and terminology codes count as one), else
// the first subtitle component; -1 when there is none or language is "none".
// Among equals DVB subtitles come before teletext ones, and teletext pages for
// the hearing impaired after plain ones, unless hearingImpaired asks for them.
int ChooseSubtitleComponent(
    const std::vector<CString>& descriptions, const CString& language, bool hearingImpaired = false);
