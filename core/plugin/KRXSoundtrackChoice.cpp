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

// One audio component as its description reads: "audio", then " description"
// for a described track, then the coding's name for codings other than MPEG
// audio, then " (xxx)" when its language is known.
struct Soundtrack {
    bool described = false;
    bool mpeg = false;
    CString language;
};

bool ReadSoundtrack(const CString& description, Soundtrack& track)
{
    if (!StartsWith(description, "audio"))
        return false;
    CString rest = description.substr(5);
    track.described = StartsWith(rest, " description");
    if (track.described)
        rest = rest.substr(12);
    track.language.clear();
    if (rest.size() >= 4 && rest.back() == ')') {
        const size_t open = rest.rfind(" (");
        if (open != CString::npos) {
            track.language = rest.substr(open + 2, rest.size() - open - 3);
            rest = rest.substr(0, open);
        }
    }
    track.mpeg = rest.empty();
    return true;
}

} // namespace

int ChooseSoundtrack(const std::vector<CString>& descriptions, const CString& language)
{
    // Best first: an MPEG track in the language, a track of another coding in
    // the language, the first MPEG track, the first track of another coding,
    // then any audio at all (an audio description).
    enum { MPEGInLanguage, OtherInLanguage, FirstMPEG, FirstOther, AnyAudio, Ranks };
    int best[Ranks] = { -1, -1, -1, -1, -1 };
    const CString wanted = CanonicalLanguageCode(language);
    for (size_t i = 0; i < descriptions.size(); i++) {
        Soundtrack track;
        if (!ReadSoundtrack(descriptions[i], track))
            continue;
        const bool inLanguage = !wanted.empty() && CanonicalLanguageCode(track.language) == wanted;
        int rank = AnyAudio;
        if (!track.described)
            rank = inLanguage ? (track.mpeg ? MPEGInLanguage : OtherInLanguage) : (track.mpeg ? FirstMPEG : FirstOther);
        if (best[rank] < 0)
            best[rank] = static_cast<int>(i);
    }
    for (int index : best)
        if (index >= 0)
            return index;
    return -1;
}
