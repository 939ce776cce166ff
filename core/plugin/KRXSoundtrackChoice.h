#pragma once
// Which audio component a service starts with. Component descriptions read
// "audio", "audio (deu)", "audio description (eng)"; other codings add their
// name after "audio" ("audio AAC (eng)").
#include "platform/CString.h"

#include <vector>

// The one soundtrack to start: the first track in the language (ISO 639-2,
// either form, e.g. "deu" or "ger"), MPEG audio before other codings, else
// the first MPEG track, else the first track of another coding, else an audio
// description; -1 when there is none. The others stay available for the user
// to select.
int ChooseSoundtrack(const std::vector<CString>& descriptions, const CString& language);

