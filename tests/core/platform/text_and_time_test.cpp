#include "platform/CString.h"
#include "platform/DebugOutput.h"
#include "platform/Guid.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemTime.h"
#include "platform/UTF8.h"
#include "support/AsOrdinaryUser.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(FormatString, FormatsLongTextAnd64BitValues)
{
    EXPECT_EQ(FormatString("%03" PRId64 ":%02d", int64_t(7), 5), "007:05");
    const CString big(5000, 'x');
    EXPECT_EQ(FormatString("<%s>", big.c_str()).size(), 5002u);
    EXPECT_EQ(FormatString("%s", ""), "");
}

TEST(UTF8, ReadsWholeCharactersAndRefusesMalformedOnes)
{
    struct Case {
        const char* text;
        UTF8Sequence::Status status;
        char32_t codePoint;
        size_t length;
    };
    const Case cases[] = {
        { "A", UTF8Sequence::VALID, 'A', 1 },
        { "\xC3\xA9x", UTF8Sequence::VALID, 0xE9, 2 },
        { "\xE2\x82\xAC", UTF8Sequence::VALID, 0x20AC, 3 },
        { "\xF0\x9F\x93\xBA", UTF8Sequence::VALID, 0x1F4FA, 4 },
        { "\xC0\xAF", UTF8Sequence::INVALID, 0, 1 }, // overlong '/'
        { "\xE0\x9F\xBF", UTF8Sequence::INVALID, 0, 1 }, // overlong
        { "\xED\xA0\x80", UTF8Sequence::INVALID, 0, 1 }, // surrogate
        { "\xF4\x90\x80\x80", UTF8Sequence::INVALID, 0, 1 }, // above U+10FFFF
        { "\xE2\x82x", UTF8Sequence::INVALID, 0, 2 }, // broken after two bytes
        { "\xA9", UTF8Sequence::INVALID, 0, 1 }, // a continuation byte alone
        { "\xE2\x82", UTF8Sequence::TRUNCATED, 0, 2 },
        { "\xF0", UTF8Sequence::TRUNCATED, 0, 1 },
    };
    for (const Case& c : cases) {
        const UTF8Sequence read = ReadUTF8Sequence(c.text, std::char_traits<char>::length(c.text));
        EXPECT_EQ(read.status, c.status) << c.text;
        EXPECT_EQ(read.length, c.length) << c.text;
        if (c.status == UTF8Sequence::VALID) {
            EXPECT_EQ(read.codePoint, c.codePoint) << c.text;
        }
    }
}

TEST(UTF8, WritesEveryLengthAndReplacesWhatIsNoCharacter)
{
    CString out;
    for (char32_t c : { U'A', U'\u00E9', U'\u20AC', U'\U0001F4FA', char32_t(0xD800), char32_t(0x110000) })
        AppendUTF8(out, c);
    EXPECT_EQ(out, "Aé€📺\xEF\xBF\xBD\xEF\xBF\xBD");
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
    // Without anyone to ask, the first of several cards is used.
    EXPECT_EQ(DefaultMessageBoxAnswer(KRX_MB_YESNOCANCEL | KRX_MB_ICONQUESTION), KRX_IDYES);
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

TEST(ProgramFolder, UserDataFolderFollowsTheDataHomeOnlyWhenItIsAbsolute)
{
    EXPECT_EQ(GetUserDataFolder("/data", "/home/ann"), "/data/korrix/");
    EXPECT_EQ(GetUserDataFolder("relative/data", "/home/ann"), "/home/ann/.local/share/korrix/");
    EXPECT_EQ(GetUserDataFolder("", "/home/ann"), "/home/ann/.local/share/korrix/");
    EXPECT_EQ(GetUserDataFolder(nullptr, "/home/ann"), "/home/ann/.local/share/korrix/");
}

TEST(ProgramFolder, FilesTheUserChangesLeaveAProgramFolderTheUserCannotWrite)
{
    TemporaryFolder program;
    chmod(program.Path().c_str(), 0777);
    {
        AsOrdinaryUser user;
        EXPECT_EQ(ChooseUserFilesFolder(program.Path(), "/home/ann/"), program.Path());
    }
    chmod(program.Path().c_str(), 0555);
    AsOrdinaryUser user;
    EXPECT_EQ(ChooseUserFilesFolder(program.Path(), "/home/ann/"), "/home/ann/");
    EXPECT_EQ(ChooseUserFilesFolder(program.Path() + "absent/", "/home/ann/"), "/home/ann/");
}
