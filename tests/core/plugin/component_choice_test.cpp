// Which one soundtrack and which one subtitle component a service starts with, and the user's language.
#include "plugin/KRXLanguage.h"
#include "plugin/KRXSoundtrackChoice.h"
#include "plugin/KRXSubtitleChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SubtitleChoice, TheUsersLanguageElseTheFirstElseNone)
{
    const std::vector<CString> components { "video", "audio (eng)", "subtitles (fin)", "subtitles (swe)",
        "subtitles (eng)", "subtitles (ENG)" };
    EXPECT_EQ(ChooseSubtitleComponent(components, "eng"), 4);
    EXPECT_EQ(ChooseSubtitleComponent(components, "SWE"), 3);
    EXPECT_EQ(ChooseSubtitleComponent(components, "deu"), 2) << "not offered: the first subtitle";
    EXPECT_EQ(ChooseSubtitleComponent(components, ""), 2);
    EXPECT_EQ(ChooseSubtitleComponent(components, "none"), -1);
    EXPECT_EQ(ChooseSubtitleComponent({ "video", "audio (eng)" }, "eng"), -1);
    EXPECT_EQ(ChooseSubtitleComponent({ "subtitles", "subtitles ()" }, "eng"), 0);
}

TEST(SubtitleChoice, BibliographicAndTerminologyCodesAreOneLanguage)
{
    EXPECT_EQ(ChooseSubtitleComponent({ "subtitles (fra)", "subtitles (ger)" }, "deu"), 1);
    EXPECT_EQ(ChooseSubtitleComponent({ "subtitles (deu)", "subtitles (fre)" }, "fra"), 1);
    EXPECT_EQ(ChooseSubtitleComponent({ "subtitles (nld)", "subtitles (deu)" }, "ger"), 1);
}

// DVB subtitles win in the same language; teletext pages for the hearing
// impaired lose to plain ones unless the user asks for them.
TEST(SubtitleChoice, TeletextPagesRankBehindDVBAndByHearing)
{
    const std::vector<CString> components { "teletext (ita)", "subtitles hearing impaired (teletext 889, ita)",
        "subtitles (teletext 888, ita)", "subtitles (teletext 778, eng)", "subtitles (ita)" };
    EXPECT_EQ(ChooseSubtitleComponent(components, "ita"), 4);
    EXPECT_EQ(ChooseSubtitleComponent(components, "eng"), 3);
    const std::vector<CString> teletext(components.begin(), components.end() - 1);
    EXPECT_EQ(ChooseSubtitleComponent(teletext, "ita"), 2);
    EXPECT_EQ(ChooseSubtitleComponent(teletext, "ita", true), 1);
    EXPECT_EQ(ChooseSubtitleComponent(teletext, "deu"), 2) << "not offered: the best of the rest";
    EXPECT_FALSE(IsSubtitleComponent("teletext (ita)"));
    EXPECT_TRUE(IsTeletextComponent("teletext (ita)"));
    EXPECT_TRUE(IsTeletextComponent(components[1]));
    EXPECT_FALSE(IsTeletextComponent("subtitles (ita)"));
}

TEST(Language, TheLocaleGivesTheThreeLetterCode)
{
    EXPECT_EQ(LanguageFromLocale("en_GB.UTF-8"), "eng");
    EXPECT_EQ(LanguageFromLocale("de"), "deu");
    EXPECT_EQ(LanguageFromLocale("fr_CA"), "fra");
    EXPECT_EQ(LanguageFromLocale("sr@latin"), "srp");
    EXPECT_EQ(LanguageFromLocale("C.UTF-8"), "");
    EXPECT_EQ(LanguageFromLocale("POSIX"), "");
    EXPECT_EQ(LanguageFromLocale(""), "");
    EXPECT_EQ(LanguageFromLocale(nullptr), "");
}

TEST(Language, TheMessagesLocaleComesFromTheEnvironmentInPrecedence)
{
    auto keep = [](const char* name) {
        const char* value = std::getenv(name);
        return std::pair<const char*, std::string>(name, value ? value : "");
    };
    const auto saved = { keep("LC_ALL"), keep("LC_MESSAGES"), keep("LANG") };
    unsetenv("LC_ALL");
    setenv("LC_MESSAGES", "nl_NL.UTF-8", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetLocaleLanguage(), "nld");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(GetLocaleLanguage(), "deu");
    setenv("LC_ALL", "sv_SE", 1);
    EXPECT_EQ(GetLocaleLanguage(), "swe");
    for (const auto& [name, value] : saved) {
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
}

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

TEST(SoundtrackChoice, HonoursTheLanguageOfEveryCoding)
{
    const std::vector<CString> components { "video", "audio AC-3 (eng)", "audio description E-AC-3 (deu)",
        "audio E-AC-3 (deu)", "audio AAC LATM" };
    EXPECT_EQ(ChooseSoundtrack(components, "deu"), 3) << "a coded track in the language, not its description";
    EXPECT_EQ(ChooseSoundtrack(components, "fra"), 1) << "else the first track of any coding";
    EXPECT_EQ(ChooseSoundtrack({ "audio AC-3 (deu)", "audio (deu)" }, "deu"), 1) << "MPEG first in one language";
    EXPECT_EQ(ChooseSoundtrack({ "audio AC-3 (deu)", "audio (eng)" }, "deu"), 0) << "the language before the coding";
}
