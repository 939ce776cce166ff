// play --service: choosing the service and its outputs, on the demo stream.
#include "CliTest.h"

#include "plugin/KRXAVLog.h"
#include "plugin/KRXDeinterlace.h"
#include "plugin/KRXVideoOutput.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ContainsRegex;
using ::testing::StartsWith;

namespace {
const CString Demo = KRX_PROGRAM_FOLDER "demo/demo.ts";

class ServicePlayTest : public CliTest
{
protected:
    int Play(KRXCliArguments arguments)
    {
        arguments.insert(arguments.begin(), { "play", Demo });
        return Run(arguments);
    }
};
} // namespace

TEST_F(ServicePlayTest, RefusesOutputsWithoutAServiceAndOutputsItDoesNotKnow)
{
    const std::pair<KRXCliArguments, const char*> cases[] = {
        { { "--service", "" }, "'--service' needs a programme number or a service name" },
        { { "--video-out", "none" }, "'--video-out' needs '--service'" },
        { { "--av-log", folder.File("log.csv") }, "'--av-log' needs '--service'" },
        { { "--deinterlace", "off" }, "'--deinterlace' needs '--service'" },
        { { "--service", "1", "--deinterlace", "weave" }, "'--deinterlace' is auto, off, bwdif or yadif, not 'weave'" },
        { { "--service", "1", "--video-out", "screen" }, "not 'screen'" },
        { { "--service", "1", "--video-out", "y4m:" }, "not 'y4m:'" },
        { { "--volume", "50" }, "'--volume' needs '--service'" },
        { { "--service", "1", "--volume", "101" }, "'--volume' is a whole number from 0 to 100, not '101'" },
        { { "--service", "1", "--volume", "5%" }, "not '5%'" },
    };
    for (const auto& [arguments, complaint] : cases) {
        EXPECT_EQ(Play(arguments), 2) << complaint;
        ExpectOneErrorLine(complaint);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("log.csv")));

    const CString absent = folder.File("absent/out");
    EXPECT_EQ(Play({ "--service", "1", "--video-out", "y4m:" + absent }), 1);
    ExpectOneErrorLine("cannot write pictures to '" + absent + "': No such file or directory");
    EXPECT_EQ(Play({ "--service", "1", "--video-out", "none", "--av-log", absent }), 1);
    ExpectOneErrorLine("cannot write the A/V log to '" + absent + "'");
}

TEST_F(ServicePlayTest, FindsAServiceByNumberOrExactNameAndTellsWhenThereIsNone)
{
    EXPECT_EQ(Play({ "--service", "Korrix Two", "--seconds", "1", "--video-out", "none" }), 0) << err.str();
    EXPECT_THAT(out.str(), StartsWith("Showing service 2: "));
    EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Auto) << "by default";
    EXPECT_EQ(Play({ "--service", "3", "--seconds", "1", "--video-out", "none", "--deinterlace", "yadif" }), 0)
        << err.str();
    EXPECT_THAT(out.str(), StartsWith("Showing service 3: "));
    EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Yadif) << "chosen before the display opened";
    CKRXDeinterlace::Set(CKRXDeinterlace::Auto);
    for (const char* absent : { "7", "korrix two", "0x0001" }) {
        EXPECT_EQ(Play({ "--service", absent, "--seconds", "5", "--video-out", "none" }), 1) << absent;
        ExpectOneErrorLine("'" + Demo + "' has no service '" + absent + "'");
    }
}

TEST_F(ServicePlayTest, PresentsTheServiceIntoAFileWithoutAWindowAndCountsItsPictures)
{
    const CString pictures = folder.File("pictures.y4m");
    ASSERT_EQ(Play({ "--service", "Korrix One", "--seconds", "3", "--video-out", "y4m:" + pictures, "--av-log",
                  folder.File("av.csv") }),
        0)
        << err.str();
    EXPECT_EQ(CKRXVideoOutput::GetKind(), CKRXVideoOutput::Y4M) << "chosen before the display opened";
    EXPECT_EQ(CKRXVideoOutput::GetPath(), pictures);
    EXPECT_FALSE(CKRXAVLog::IsOpen()) << "the log closes when play ends";
    const CString text = out.str();
    const CString last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    if (!std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXVideo.so")
        || !std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXDisplayDX.so")) {
        EXPECT_THAT(last, ContainsRegex(" \\| no display\n$"));
        GTEST_SKIP() << "the video decoder and the display are not built beside the program";
    }
    EXPECT_THAT(text, StartsWith("Showing service 1: components 0x0200 (Video)")) << "with the decoder playing it";
    EXPECT_THAT(last,
        ContainsRegex(" \\| decoders: Video, [^|]+ \\| [1-9][0-9]* pictures shown, [0-9]+ dropped( \\| A/V "
                      "[-+][0-9]+\\.[0-9] ms)?\n$"));
    EXPECT_THAT(folder.Read("pictures.y4m"), StartsWith("YUV4MPEG2 W720 H576 "));
    EXPECT_THAT(folder.Read("av.csv"), ContainsRegex("(^|\n)video,[0-9]+,[0-9]+,[0-9]+\n"));
}

TEST_F(ServicePlayTest, TellsWhyAListedServiceCannotBeShown)
{
    ts::TsPacketWriter writer;
    for (int repeat = 0; repeat < 20; ++repeat) {
        ts::SectionWriter(writer, 0x00).Write(ts::PatSection(1, { { 60, 0x100 } }));
        ts::Bytes pmt = ts::PmtSection(60, 0x101, {}, { { 2, 0x101, {} } });
        pmt.back() ^= 0x01; // its CRC no longer holds
        ts::SectionWriter(writer, 0x100).Write(pmt);
    }
    const CString file = folder.Write("bad-pmt.ts", CString(writer.Data().begin(), writer.Data().end()));
    EXPECT_EQ(Run({ "play", file, "--service", "60", "--seconds", "1", "--video-out", "none" }), 1);
    ExpectOneErrorLine("service '60' is listed, but its PMT (PID 0x0100) could not be read: ");
    EXPECT_THAT(err.str(), ContainsRegex("[1-9][0-9]* of its sections failed their CRC check\n$"));
}

TEST_F(ServicePlayTest, AtVolumeZeroTheSoundIsSilence)
{
    const CString wav = folder.File("sound.wav");
    ASSERT_EQ(Play({ "--service", "Korrix Radio", "--seconds", "2", "--video-out", "none", "--audio-out", "wav:" + wav,
                  "--volume", "0" }),
        0)
        << err.str();
    const CString samples = folder.Read("sound.wav").substr(44);
    ASSERT_FALSE(samples.empty()) << "some sound was released";
    EXPECT_EQ(samples.find_first_not_of('\0'), CString::npos);
}
