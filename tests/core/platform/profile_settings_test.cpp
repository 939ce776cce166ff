// Reading the settings file the program's window writes through QSettings.
#include "platform/ProfileSettings.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ProfileSettings, ReadsWhatQSettingsWritesWithItsEscapes)
{
    TemporaryFolder folder;
    // As QSettings writes it: a group named General becomes [%General], spaces in keys %20, and
    // a value with special characters is quoted with escapes.
    const CString path = folder.Write("Korrix.conf",
        "[General]\n"
        "TopLevel=1\n"
        "\n"
        "[%General]\n"
        "Record%20Path=\"/home/viewer/tv, \\\"late\\\".ts\"\n"
        "\n"
        "[Video]\n"
        "OverlayColour=2105376\n"
        "Hex=0x00FF00\n"
        "Negative=-5\n"
        "Bright=4294967295\n"
        "Broken=12abc\n"
        "; a comment=7\n");
    const CProfileSettings settings(path);
    EXPECT_EQ(settings.GetInt("Video", "OverlayColour", 0), 0x202020);
    EXPECT_EQ(settings.GetInt("Video", "Hex", 0), 0x00FF00);
    EXPECT_EQ(settings.GetInt("Video", "Negative", 0), -5);
    EXPECT_EQ(unsigned(settings.GetInt("Video", "Bright", 0)), 0xFFFFFFFFu) << "a colour may use all 32 bits";
    EXPECT_EQ(settings.GetInt("Video", "Broken", 42), 42);
    EXPECT_EQ(settings.GetInt("Video", "; a comment", 42), 42);
    EXPECT_EQ(settings.GetInt("Video", "Missing", 42), 42);
    EXPECT_EQ(settings.GetInt("Audio", "OverlayColour", 42), 42) << "keys belong to their section";
    EXPECT_EQ(settings.GetString("General", "Record Path", ""), "/home/viewer/tv, \"late\".ts");
    EXPECT_EQ(settings.GetInt("", "TopLevel", 0), 1);
    EXPECT_EQ(settings.GetInt("General", "TopLevel", 0), 0) << "[General] holds keys outside any group";
}

TEST(ProfileSettings, AMissingFileGivesDefaultsAndTheUserFileFollowsXdgConfigHome)
{
    EXPECT_EQ(CProfileSettings("/nonexistent/Korrix.conf").GetInt("Video", "OverlayColour", 7), 7);

    TemporaryFolder folder;
    const char* previous = getenv("XDG_CONFIG_HOME");
    const CString saved = previous ? previous : "";
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    EXPECT_EQ(CProfileSettings::GetUserSettingsPath(), folder.Path() + "/Hollowmere/Korrix.conf");
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(CProfileSettings::GetUserSettingsPath(), CString(getenv("HOME")) + "/.config/Hollowmere/Korrix.conf");
    if (previous)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
