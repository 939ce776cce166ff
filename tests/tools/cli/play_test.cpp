#include "CliTest.h"

#include "platform/Event.h"
#include "support/TemporaryFolder.h"
#include "tswriter/TsPacketWriter.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {
CString Packets(uint32_t count)
{
    ts::TsPacketWriter writer;
    for (uint32_t i = 0; i < count; ++i) {
        ts::Bytes payload(184, uint8_t(i));
        writer.WritePacket(ts::PacketHeader(0x100 + i % 4), payload);
    }
    return CString(writer.Data().begin(), writer.Data().end());
}

class PlayTest : public CliTest
{
protected:
    int Play(KRXCliArguments arguments, const std::function<bool()>& stopWhen = nullptr)
    {
        arguments.insert(arguments.begin(), "play");
        return Run(arguments, KRX_PROGRAM_FOLDER, stopWhen);
    }
};
} // namespace

TEST_F(PlayTest, RefusesOptionsItDoesNotKnow)
{
    const CString file = folder.Write("a.ts", Packets(10));
    struct Case {
        KRXCliArguments arguments;
        const char* complaint;
    };
    const Case cases[] = {
        { {}, "'play' needs a file to play" },
        { { file, "--seconds" }, "'--seconds' needs a value" },
        { { file, "--seconds", "abc" }, "not 'abc'" },
        { { file, "--seconds", "0" }, "not '0'" },
        { { file, "--seconds", "-3" }, "not '-3'" },
        { { file, "--seconds", "2x" }, "not '2x'" },
        { { file, "--seconds", "1000001" }, "seconds from 1 to 1000000, not '1000001'" },
        { { file, "--record" }, "'--record' needs a value" },
        { { file, "--loud" }, "unknown option '--loud'" },
        { { file, file }, "'play' takes one file" },
        { { "--input", "File" }, "'--input' and '--multiplex' go together" },
        { { "--multiplex", "Demo" }, "'--input' and '--multiplex' go together" },
        { { file, "--input", "File", "--multiplex", "Demo" }, "a file or '--input', not both" },
    };
    for (const Case& misuse : cases) {
        EXPECT_EQ(Play(misuse.arguments), 2) << misuse.complaint;
        ExpectOneErrorLine(misuse.complaint);
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(PlayTest, TellsWhyAFileCannotBePlayed)
{
    struct Case {
        CString file;
        const char* reason;
    };
    const Case cases[] = {
        { folder.File("absent.ts"), "No such file or directory" },
        { folder.Path(), "it is a folder" },
        { "/dev/null", "it is not a regular file" },
        { folder.Write("empty.ts", ""), "file empty" },
        { folder.Write("short.ts", CString(100, '\x47')), "file too short for one transport packet" },
        { folder.Write("text.ts", CString(5000, 'x')), "no transport packets found in file" },
    };
    for (const Case& bad : cases) {
        EXPECT_EQ(Play({ bad.file, "--seconds", "1" }), 1) << bad.reason;
        ExpectOneErrorLine("'" + bad.file + "': " + bad.reason);
    }
}

TEST_F(PlayTest, TellsWhichInputOrMultiplexIsUnknown)
{
    EXPECT_EQ(Play({ "--input", "Nope", "--multiplex", "Demo" }), 1);
    ExpectOneErrorLine("there is no input plug-in 'Nope' in " KRX_PROGRAM_FOLDER);
    EXPECT_EQ(Play({ "--input", "File", "--multiplex", "No such multiplex" }), 1);
    ExpectOneErrorLine("the File input has no multiplex 'No such multiplex'");
}

TEST_F(PlayTest, TellsWhyAFileCannotBeRead)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser can read any file";
    const CString file = folder.Write("locked.ts", Packets(10));
    std::filesystem::permissions(file, std::filesystem::perms::none);
    EXPECT_EQ(Play({ file }), 1);
    ExpectOneErrorLine("Permission denied");
}

TEST_F(PlayTest, RefusesARecordingThatCannotBeWritten)
{
    const CString file = folder.Write("a.ts", Packets(10));
    EXPECT_EQ(Play({ file, "--record", folder.File("absent/out.ts") }), 1);
    ExpectOneErrorLine("cannot record to '" + folder.File("absent/out.ts") + "'");
    // A pipe nobody reads would hold the check forever.
    ASSERT_EQ(mkfifo(folder.File("pipe").c_str(), 0600), 0);
    for (const CString& target : { folder.File("pipe"), CString("/dev/null"), folder.Path() }) {
        EXPECT_EQ(Play({ file, "--record", target }), 1) << target;
        ExpectOneErrorLine("cannot record to '" + target + "': it is not a regular file");
    }
}

TEST_F(PlayTest, RefusesToRecordOverTheFileBeingPlayed)
{
    const CString packets = Packets(100);
    const CString file = folder.Write("a.ts", packets);
    const CString otherName = folder.File("b.ts");
    ASSERT_EQ(link(file.c_str(), otherName.c_str()), 0);
    EXPECT_EQ(Play({ file, "--seconds", "1", "--record", otherName }), 1);
    ExpectOneErrorLine("cannot record to '" + otherName + "': it is the file being played");
    EXPECT_EQ(folder.Read("a.ts"), packets);
}

TEST_F(PlayTest, PrintsTheStatusOnceASecond)
{
    const CString file = folder.Write("a.ts", Packets(2000));
    EXPECT_EQ(Play({ file, "--seconds", "1" }), 0) << err.str();
    const CString text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_THAT(text,
        ContainsRegex("^(Looking for service information\\.\\.\\.|Data is being received at [0-9.]+ "
                      "megabits per second \\[[0-9.]+% complete\\]) \\| [0-9]+ packets \\| [01] s\n$"));
    EXPECT_EQ(err.str(), "");
}
TEST_F(PlayTest, RecordsExactlyTheReadsOfALoopingFileCutAnywhere)
{
    // 300 whole packets between a cut packet at the front and a cut one at the end.
    const CString packets = Packets(300);
    const CString file = folder.Write("cut.ts", CString(100, '\x11') + packets + packets.substr(0, 60));
    const CString recording = folder.File("recording.ts");
    // Plays until the recording holds three loops of the file, then stops as Ctrl-C would.
    const int status = Play({ file, "--record", recording }, [&] {
        std::error_code missing;
        return std::filesystem::file_size(recording, missing) >= 3 * packets.size() && !missing;
    });
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_THAT(out.str(), StartsWith("Recording to " + recording + "\n"));

    const CString recorded = folder.Read("recording.ts");
    ASSERT_GE(recorded.size(), 3 * packets.size());
    ASSERT_EQ(recorded.size() % 188, 0u);
    for (size_t offset = 0; offset < recorded.size(); offset += packets.size()) {
        const size_t length = std::min(packets.size(), recorded.size() - offset);
        ASSERT_EQ(recorded.compare(offset, length, packets, 0, length), 0) << "loop at byte " << offset;
    }
}

TEST_F(PlayTest, RecordsWholePacketsAfterALostByteAndReportsTheBytesSkipped)
{
    CString damaged = Packets(300);
    damaged.erase(188 * 100 + 50, 1);
    const CString file = folder.Write("lost.ts", damaged);
    const CString recording = folder.File("recording.ts");
    const int status = Play({ file, "--record", recording }, [&] {
        std::error_code missing;
        return std::filesystem::file_size(recording, missing) >= damaged.size() && !missing;
    });
    EXPECT_EQ(status, 0) << err.str();
    const CString recorded = folder.Read("recording.ts");
    ASSERT_EQ(recorded.size() % 188, 0u);
    for (size_t at = 0; at < recorded.size(); at += 188)
        ASSERT_EQ(recorded[at], '\x47') << "packet at " << at;
    EXPECT_THAT(out.str(),
        ContainsRegex("\nRecorded [0-9]+ bytes to .*; the stream had [0-9 a-z,]*[1-9][0-9]* sync "
                      "loss(es)? \\([1-9][0-9]* bytes skipped\\)"));
}
