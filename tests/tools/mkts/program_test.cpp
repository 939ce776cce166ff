#include "DemoStream.h"
#include "MuxError.h"
#include "OutputFile.h"
#include "Workspace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

// Runs korrix-mkts on a description in the folder.
std::pair<int, std::string> RunMkts(const Workspace& work, const std::string& description, const std::string& output)
{
    return work.Shell(std::string(KRX_MKTS_PROGRAM) + " --time 1700000000 " + work.Path(description).string() + " "
        + work.Path(output).string());
}

std::string Radio(const std::string& audioFile)
{
    return "multiplex name=\"R\" network_id=1 transport_stream_id=1 original_network_id=1 frequency=474000000\n"
           "stream pid=0x100 kind=audio file="
        + audioFile + " language=eng\nservice id=1 pmt_pid=0x20 type=radio name=Radio streams=0x100\n";
}

} // namespace

TEST(KorrixMkts, MakesAStreamFromAGoodDescription)
{
    Workspace work;
    work.WriteText("radio.mux", Radio(DemoPath("audio_eng.mp2")));
    auto [status, errors] = RunMkts(work, "radio.mux", "radio.ts");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(work.Files(), (std::vector<std::string> { "radio.mux", "radio.ts" }));
    auto size = fs::file_size(work.Path("radio.ts"));
    EXPECT_GT(size, 0u);
    EXPECT_EQ(size % 188, 0u);
}

TEST(KorrixMkts, BadInputLeavesNoFileBehind)
{
    Workspace work;
    work.WriteText("wrong.mux", Radio(DemoPath("video.m2v")));
    work.WriteText("missing.mux", Radio(work.Path("nowhere.mp2").string()));
    work.WriteText("collide.mux", Radio(DemoPath("audio_eng.mp2")) + "stream pid=0x20 kind=audio file=x.mp2\n");

    auto [wrongStatus, wrong] = RunMkts(work, "wrong.mux", "out.ts");
    EXPECT_EQ(wrongStatus, 1);
    EXPECT_THAT(wrong, HasSubstr("wrong.mux:2: stream 0x0100: " + DemoPath("video.m2v") + " is not MPEG audio"));
    auto [missingStatus, missing] = RunMkts(work, "missing.mux", "out.ts");
    EXPECT_EQ(missingStatus, 1);
    EXPECT_THAT(missing, HasSubstr("cannot read " + work.Path("nowhere.mp2").string() + ": No such file or directory"));
    auto [collideStatus, collide] = RunMkts(work, "collide.mux", "out.ts");
    EXPECT_EQ(collideStatus, 1);
    EXPECT_THAT(collide, HasSubstr("collides with"));
    auto [absentStatus, absent] = RunMkts(work, "absent.mux", "out.ts");
    EXPECT_EQ(absentStatus, 1);
    EXPECT_THAT(absent, HasSubstr("absent.mux"));

    EXPECT_EQ(work.Files(), (std::vector<std::string> { "collide.mux", "missing.mux", "wrong.mux" }));
}

TEST(KorrixMkts, AnEarlierFileSurvivesAFailedRun)
{
    Workspace work;
    work.WriteText("out.ts", "earlier");
    work.WriteText("wrong.mux", Radio(DemoPath("video.m2v")));
    EXPECT_EQ(RunMkts(work, "wrong.mux", "out.ts").first, 1);
    std::ifstream kept(work.Path("out.ts"));
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "earlier");
}

TEST(OutputFile, FailedRenameRemovesTheTemporaryFile)
{
    Workspace work;
    fs::create_directory(work.Path("folder"));
    fs::create_directory(work.Path("folder/occupied"));
    EXPECT_THROW(OutputFile::Write(work.Path("folder/occupied").string(), ts::Bytes(188, 0x47)), MuxError);
    EXPECT_EQ(fs::directory_iterator(work.Path("folder/occupied")) == fs::directory_iterator(), true);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(work.Path("folder")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string> { "occupied" }));
    EXPECT_THROW(OutputFile::Write(work.Path("no/such/folder.ts").string(), ts::Bytes(1)), MuxError);
}
