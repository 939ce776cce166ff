// Which single subtitle component a service starts with.
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

TEST(SubtitleChoice, TheLocaleGivesTheThreeLetterCode)
{
    EXPECT_EQ(SubtitleLanguageFromLocale("en_GB.UTF-8"), "eng");
    EXPECT_EQ(SubtitleLanguageFromLocale("de"), "deu");
    EXPECT_EQ(SubtitleLanguageFromLocale("fr_CA"), "fra");
    EXPECT_EQ(SubtitleLanguageFromLocale("sr@latin"), "srp");
    EXPECT_EQ(SubtitleLanguageFromLocale("C.UTF-8"), "");
    EXPECT_EQ(SubtitleLanguageFromLocale("POSIX"), "");
    EXPECT_EQ(SubtitleLanguageFromLocale(""), "");
    EXPECT_EQ(SubtitleLanguageFromLocale(nullptr), "");
}

TEST(SubtitleChoice, TheMessagesLocaleComesFromTheEnvironmentInPrecedence)
{
    auto keep = [](const char* name) {
        const char* value = std::getenv(name);
        return std::pair<const char*, std::string>(name, value ? value : "");
    };
    const auto saved = { keep("LC_ALL"), keep("LC_MESSAGES"), keep("LANG") };
    unsetenv("LC_ALL");
    setenv("LC_MESSAGES", "nl_NL.UTF-8", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(DefaultSubtitleLanguage(), "nld");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(DefaultSubtitleLanguage(), "deu");
    setenv("LC_ALL", "sv_SE", 1);
    EXPECT_EQ(DefaultSubtitleLanguage(), "swe");
    for (const auto& [name, value] : saved) {
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
}
