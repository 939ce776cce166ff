// One soundtrack starts with a service: the user's language if there is one
// in it, else the main soundtrack, never every track at once.
#include "plugin/KRXSoundtrackChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(SoundtrackChoice, PrefersThePlainTrackInTheUsersLanguage)
{
    const std::vector<CString> components { "video", "audio (eng)", "audio description (deu)", "audio (deu)",
        "subtitles (deu)" };
    EXPECT_EQ(ChooseSoundtrack(components, "deu"), 3) << "not the audio description in that language";
    EXPECT_EQ(ChooseSoundtrack(components, "ger"), 3) << "either form of the code";
    EXPECT_EQ(ChooseSoundtrack(components, "eng"), 1);
    EXPECT_EQ(ChooseSoundtrack(components, "fra"), 1) << "else the first plain track";
}

TEST(SoundtrackChoice, FallsBackToAnyAudioAndToNothing)
{
    EXPECT_EQ(ChooseSoundtrack({ "video", "audio AAC (eng)", "audio description (deu)" }, "deu"), 1);
    EXPECT_EQ(ChooseSoundtrack({ "video", "audio description (deu)", "audio" }, "deu"), 2);
    EXPECT_EQ(ChooseSoundtrack({ "video", "subtitles (deu)" }, "deu"), -1);
    EXPECT_EQ(ChooseSoundtrack({}, "deu"), -1);
}

TEST(SoundtrackChoice, OnlyMPEGAudioDescriptionsAreMPEGAudio)
{
    for (const char* yes : { "audio", "audio (fra)", "audio description", "audio description (fra)" })
        EXPECT_TRUE(IsMPEGAudioDescription(yes)) << yes;
    for (const char* no : { "audio AAC (eng)", "audio AC-3 (eng)", "audio (", "audio ()", "audiox", "video", "" })
        EXPECT_FALSE(IsMPEGAudioDescription(no)) << no;
}

TEST(SoundtrackChoice, TheLocaleGivesTheLanguage)
{
    const char* saved[3];
    const char* names[3] = { "LC_ALL", "LC_MESSAGES", "LANG" };
    for (int i = 0; i < 3; i++) {
        const char* value = std::getenv(names[i]);
        saved[i] = value ? strdup(value) : nullptr;
        unsetenv(names[i]);
    }
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetLocaleAudioLanguage(), "deu");
    setenv("LC_MESSAGES", "fr_FR", 1);
    EXPECT_EQ(GetLocaleAudioLanguage(), "fra") << "messages before the general locale";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(GetLocaleAudioLanguage(), "eng") << "a locale naming no language";
    for (int i = 0; i < 3; i++) {
        if (saved[i])
            setenv(names[i], saved[i], 1);
        else
            unsetenv(names[i]);
        free(const_cast<char*>(saved[i]));
    }
}

} // namespace
