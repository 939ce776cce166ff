#include "platform/CString.h"
#include "platform/DebugOutput.h"
#include "platform/Guid.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemTime.h"

#include <gtest/gtest.h>

TEST(FormatString, FormatsLongTextAnd64BitValues)
{
    EXPECT_EQ(FormatString("%03" PRId64 ":%02d", int64_t(7), 5), "007:05");
    const CString big(5000, 'x');
    EXPECT_EQ(FormatString("<%s>", big.c_str()).size(), 5002u);
    EXPECT_EQ(FormatString("%s", ""), "");
}

TEST(DebugOutput, GoesToTheInstalledSinkAndBack)
{
    CString captured;
    DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) { captured += text; });
    DebugOutputFormat("SDT: %d\n", 3);
    SetDebugOutputSink(previous);
    DebugOutput("not captured\n");
    EXPECT_EQ(captured, "SDT: 3\n");
}

TEST(MessageBox, DefaultAnswerIsTheDefaultButton)
{
    EXPECT_EQ(DefaultMessageBoxAnswer(KRX_MB_OK | KRX_MB_ICONERROR), KRX_IDOK);
    EXPECT_EQ(DefaultMessageBoxAnswer(KRX_MB_YESNO), KRX_IDYES);
    EXPECT_EQ(DefaultMessageBoxAnswer(KRX_MB_YESNO | KRX_MB_DEFBUTTON2), KRX_IDNO);
    EXPECT_EQ(DefaultMessageBoxAnswer(KRX_MB_OKCANCEL | KRX_MB_DEFBUTTON2), KRX_IDCANCEL);
}

TEST(MessageBox, HandlerSeesTextCaptionAndType)
{
    CString seen;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString& caption, unsigned type) {
        seen = caption + "|" + text + "|" + std::to_string(type);
        return KRX_IDNO;
    });
    EXPECT_EQ(KRXMessageBox("Failed to stop.", "Korrix", KRX_MB_YESNO), KRX_IDNO);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(seen, "Korrix|Failed to stop.|4");
}

TEST(Guid, CreatedGuidsAreDistinctVersion4)
{
    GUID a, b;
    ASSERT_TRUE(CreateGuid(&a));
    ASSERT_TRUE(CreateGuid(&b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.Data3 >> 12, 4) << GuidToString(a);
    GUID copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(GuidToString(GUID {}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(SystemTime, ConvertsBothWaysWithDayOfWeek)
{
    SYSTEMTIME t;
    t.wYear = 1993;
    t.wMonth = 10;
    t.wDay = 13;
    t.wHour = 12;
    t.wMinute = 45;
    const int64_t seconds = SystemTimeToSeconds(t);
    EXPECT_EQ(seconds, 750516300);
    const SYSTEMTIME back = SecondsToSystemTime(seconds);
    EXPECT_EQ(back.wYear, 1993);
    EXPECT_EQ(back.wMonth, 10);
    EXPECT_EQ(back.wDay, 13);
    EXPECT_EQ(back.wHour, 12);
    EXPECT_EQ(back.wMinute, 45);
    EXPECT_EQ(back.wDayOfWeek, 3); // a Wednesday
    const SYSTEMTIME leap = SecondsToSystemTime(SystemTimeToSeconds(SYSTEMTIME { 2024, 2, 0, 29, 23, 59, 59, 0 }) + 1);
    EXPECT_EQ(leap.wMonth, 3);
    EXPECT_EQ(leap.wDay, 1);
    EXPECT_EQ(leap.wHour, 0);
}

TEST(SystemTime, LocalOffsetFollowsTheTimeZoneRules)
{
    const char* saved = getenv("TZ");
    const CString previous = saved ? saved : "";
    setenv("TZ", "Europe/London", 1);
    EXPECT_EQ(GetLocalOffsetSeconds(SystemTimeToSeconds(SYSTEMTIME { 2026, 1, 0, 15, 12, 0, 0, 0 })), 0);
    EXPECT_EQ(GetLocalOffsetSeconds(SystemTimeToSeconds(SYSTEMTIME { 2026, 7, 0, 15, 12, 0, 0, 0 })), 3600);
    if (saved)
        setenv("TZ", previous.c_str(), 1);
    else
        unsetenv("TZ");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram)
{
    const CString folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder.front(), '/');
}
