// The real korrix-cli as a process: what a full disc, a second writer and the
// signals of a terminal or a pipe do to its output files. Every file must be
// whole afterwards, and every lost write told with its file and cause.
#include "support/ChildProcess.h"
#include "support/TemporaryFolder.h"

#include <csignal>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

using ::testing::HasSubstr;

namespace {
const CString Program = KRX_PROGRAM_FOLDER "korrix-cli";
const CString Demo = KRX_PROGRAM_FOLDER "demo/demo.ts";

uint32_t At32(const CString& bytes, size_t at)
{
    const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

void ExpectWholePackets(const CString& recording)
{
    ASSERT_EQ(recording.size() % 188, 0u);
    for (size_t at = 0; at < recording.size(); at += 188)
        ASSERT_EQ(recording[at], '\x47') << "packet at " << at;
}

void ExpectWholeWav(const CString& wav)
{
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(At32(wav, 4), wav.size() - 8) << "RIFF size";
    EXPECT_EQ(At32(wav, 40), wav.size() - 44) << "data size";
}

// A header and whole 4:2:0 frames of its size, or nothing at all.
void ExpectWholeY4M(const CString& y4m)
{
    if (y4m.empty())
        return;
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(y4m.c_str(), "YUV4MPEG2 W%d H%d", &width, &height), 2);
    const size_t frame = 6 + size_t(width) * height + 2 * size_t((width + 1) / 2) * ((height + 1) / 2);
    const size_t header = y4m.find('\n') + 1;
    EXPECT_EQ((y4m.size() - header) % frame, 0u) << y4m.size() << " bytes";
}

void ExpectWholeLines(const CString& log)
{
    EXPECT_TRUE(log.empty() || log.back() == '\n');
}

class CliProcessTest : public ::testing::Test
{
protected:
    // play on the demo's first service, into every kind of output file.
    std::vector<std::string> PlayIntoFiles(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> arguments = { Program, "play", Demo, "--record", folder.File("r.ts"), "--service", "1",
            "--video-out", "y4m:" + folder.File("v.y4m"), "--audio-out", "wav:" + folder.File("a.wav") };
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }
    void ExpectWholeFiles() const
    {
        ExpectWholePackets(folder.Read("r.ts"));
        ExpectWholeWav(folder.Read("a.wav"));
        ExpectWholeY4M(folder.Read("v.y4m"));
        ExpectWholeLines(folder.Read("av.csv"));
    }

    TemporaryFolder folder;
};

bool ExitedWith(int status, int code)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}
} // namespace

TEST_F(CliProcessTest, AFullDiscFailsTheRunNamingEachFileAndLeavesThemWhole)
{
    // Less than one picture, a fraction of a second of sound or of the multiplex.
    ChildProcess play(PlayIntoFiles({ "--seconds", "2", "--av-log", "/dev/full" }), 100000);
    const int status = play.Wait();
    EXPECT_TRUE(ExitedWith(status, 1)) << status << "\n" << play.GetErrors();
    const CString errors = play.GetErrors();
    for (const char* name : { "r.ts", "v.y4m", "a.wav" })
        EXPECT_THAT(errors, HasSubstr("cannot write '" + folder.File(name) + "': File too large"));
    EXPECT_THAT(errors, HasSubstr("cannot write '/dev/full': No space left on device"));

    ExpectWholeFiles();
    const CString recording = folder.Read("r.ts");
    EXPECT_THAT(play.GetOutput(), HasSubstr(FormatString("Recorded %zu bytes to ", recording.size())));
    EXPECT_GT(folder.Read("a.wav").size(), 44u) << "the sound before the limit is kept";
}

TEST_F(CliProcessTest, ASecondWriterIsRefusedAndAClosedTerminalEndsTheFirstCleanly)
{
    ChildProcess first(PlayIntoFiles({ "--av-log", folder.File("av.csv") }));
    ASSERT_TRUE(first.WaitForLine("| 1 s |")) << first.GetErrors();
    const struct {
        std::vector<std::string> arguments;
        CString complaint;
    } seconds[] = {
        { { "--record", folder.File("r.ts") }, "cannot record to '" + folder.File("r.ts") + "'" },
        { { "--service", "1", "--video-out", "y4m:" + folder.File("v.y4m") },
            "cannot write pictures to '" + folder.File("v.y4m") + "'" },
        { { "--service", "1", "--video-out", "none", "--audio-out", "wav:" + folder.File("a.wav") },
            "cannot write sound to '" + folder.File("a.wav") + "'" },
        { { "--service", "1", "--video-out", "none", "--av-log", folder.File("av.csv") },
            "cannot write the A/V log to '" + folder.File("av.csv") + "'" },
    };
    for (const auto& second : seconds) {
        std::vector<std::string> arguments = { Program, "play", Demo, "--seconds", "1" };
        arguments.insert(arguments.end(), second.arguments.begin(), second.arguments.end());
        ChildProcess refused(arguments);
        EXPECT_TRUE(ExitedWith(refused.Wait(), 1)) << second.complaint;
        EXPECT_THAT(refused.GetErrors(), HasSubstr(second.complaint + ": it is being written already"));
    }

    first.Signal(SIGHUP);
    const int status = first.Wait();
    EXPECT_TRUE(ExitedWith(status, 0)) << status << "\n" << first.GetErrors();
    ExpectWholeFiles();
    EXPECT_GT(folder.Read("r.ts").size(), 0u) << "the refused writers emptied nothing";
    EXPECT_GT(folder.Read("v.y4m").size(), 0u);
}

TEST_F(CliProcessTest, AReaderThatLeavesTheStatusPipeEndsTheRunWithWholeFiles)
{
    ChildProcess play(PlayIntoFiles({ "--av-log", folder.File("av.csv") }));
    ASSERT_TRUE(play.WaitForLine("| 1 s |")) << play.GetErrors();
    play.CloseOutput(); // as "| head -n 2" does
    const int status = play.Wait();
    EXPECT_TRUE(ExitedWith(status, 0)) << status << "\n" << play.GetErrors();
    ExpectWholeFiles();
    EXPECT_GT(folder.Read("a.wav").size(), 44u);
}
