#pragma once
// Which one subtitle component a service starts with. Painting every
// subtitle language of a service at once would lay them over each other, so
// the viewing flow starts one: the user's language, else the first.
#include "platform/CString.h"

#include <vector>

// True for the descriptions the subtitle decoder takes ("subtitles (eng)").
bool IsSubtitleComponent(const CString& description);


// The index in descriptions of the subtitle component to start: the first in
// the language (its bibliographic and terminology codes count as one), else
// the first subtitle component; -1 when there is none or language is "none".
int ChooseSubtitleComponent(const std::vector<CString>& descriptions, const CString& language);
