// The names recordings are given, so that none replaces another.
#include "viewing/KRXMainDialogModel.h"
#include "viewing/KRXRecordingName.h"

#include <gtest/gtest.h>

#include <set>

TEST(RecordingName, TheDateAndTimeGoBeforeTheExtensionOfTheFileNameOnly)
{
    std::tm when {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 9;
    when.tm_hour = 20;
    when.tm_min = 15;
    when.tm_sec = 3;
    EXPECT_EQ(CKRXRecordingName::Stamp("/home/u/recording.ts", when), "/home/u/recording 2026-12-09 20-15-03.ts");
    EXPECT_EQ(CKRXRecordingName::Stamp("/home/u.v/recording", when), "/home/u.v/recording 2026-12-09 20-15-03");
    EXPECT_EQ(CKRXRecordingName::Stamp("/tmp/.ts", when), "/tmp/.ts 2026-12-09 20-15-03");
}

TEST(RecordingName, ATakenNameIsNumberedAndProgressReadsAsTimeAndSize)
{
    const std::set<CString> taken { "/r/a.ts", "/r/a (2).ts" };
    const auto isTaken = [&taken](const CString& path) { return taken.count(path) != 0; };
    EXPECT_EQ(CKRXRecordingName::FirstFree("/r/a.ts", isTaken), "/r/a (3).ts");
    EXPECT_EQ(CKRXRecordingName::FirstFree("/r/b.ts", isTaken), "/r/b.ts");
    EXPECT_EQ(CKRXRecordingName::FormatProgress(3723, 2049000), "1:02:03, 2.0 MB");
}

TEST(RecordingName, ADeviceOrPipeIsRecordedToAsNamedAndOnlyFilesAreDated)
{
    EXPECT_EQ(CKRXMainDialogModel::MakeRecordingPath("/dev/null"), "/dev/null");
    const CString dated = CKRXMainDialogModel::MakeRecordingPath("/tmp/korrix-no-such-recording.ts");
    EXPECT_TRUE(dated.starts_with("/tmp/korrix-no-such-recording ")) << dated;
    EXPECT_TRUE(dated.ends_with(".ts")) << dated;
}
