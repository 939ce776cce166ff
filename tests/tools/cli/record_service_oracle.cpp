// korrix-cli play --record-service against ffprobe and ffmpeg: the recording
// holds the service alone with every stream it has in the source, decodes
// without an error, and plays in Korrix. Each recording plays its source at
// its pace for two seconds, so these have a label of their own.
#include "CliTest.h"

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>

namespace {

const CString DEMO = KRX_PROGRAM_FOLDER "demo/demo.ts";
const CString H264 = KRX_AV_SAMPLES "/flash_click_h264_aac.ts";

struct Output {
    int status = -1;
    CString text;
};

Output Shell(const CString& command)
{
    Output output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output.text += buffer;
    output.status = pclose(pipe);
    return output;
}

// What ffprobe sees: each programme's stream PIDs, and under "" the streams
// of the file as a whole.
std::map<CString, std::set<CString>> Probe(const CString& file)
{
    const Output probe = Shell("ffprobe -v error -show_entries program=program_id:stream=id -of flat '" + file + "'");
    EXPECT_EQ(probe.status, 0) << probe.text;
    std::map<CString, std::set<CString>> found;
    const std::regex programId(R"re(programs\.program\.(\d+)\.program_id=(\d+))re");
    const std::regex programStream(R"re(programs\.program\.(\d+)\.streams\.stream\.\d+\.id="(\w+)")re");
    const std::regex fileStream(R"re(^streams\.stream\.\d+\.id="(\w+)")re");
    std::map<CString, CString> idByIndex;
    std::smatch match;
    for (size_t at = 0; at < probe.text.size();) {
        const size_t end = probe.text.find('\n', at);
        const CString line = probe.text.substr(at, end - at);
        at = end == CString::npos ? probe.text.size() : end + 1;
        if (std::regex_match(line, match, programId))
            found[idByIndex[match[1]] = match[2]];
        else if (std::regex_match(line, match, programStream))
            found[idByIndex[match[1]]].insert(match[2]);
        else if (std::regex_match(line, match, fileStream))
            found[""].insert(match[1]);
    }
    return found;
}

class RecordServiceOracleTest : public CliTest
{
protected:
    void ExpectServiceAlone(const CString& source, const CString& service)
    {
        const CString recording = folder.File("service.ts");
        ASSERT_EQ(Run({ "play", source, "--service", service, "--record-service", "--record", recording, "--seconds",
                      "2", "--video-out", "none", "--audio-out", "none" }),
            0)
            << err.str();
        EXPECT_THAT(out.str(), ::testing::HasSubstr("Recording service " + service + " to " + recording));

        auto inSource = Probe(source);
        auto recorded = Probe(recording);
        ASSERT_FALSE(inSource[service].empty());
        const std::set<CString> streams = recorded[service];
        EXPECT_EQ(streams, inSource[service]);
        // Streams outside the programme: the EIT alone, which ffprobe shows as a data stream.
        for (const CString& pid : recorded[""])
            EXPECT_TRUE(streams.count(pid) || pid == "0x12") << pid;
        recorded.erase("");
        EXPECT_EQ(recorded.size(), 1u) << "one programme";

        const Output decoded = Shell("ffmpeg -nostdin -v error -i '" + recording + "' -f null -");
        EXPECT_EQ(decoded.status, 0);
        EXPECT_EQ(decoded.text, "");

        ASSERT_EQ(Run({ "play", recording, "--service", service, "--seconds", "1", "--video-out", "none", "--audio-out",
                      "none" }),
            0)
            << err.str();
        EXPECT_THAT(out.str(), ::testing::StartsWith("Showing service " + service + ": components "));
    }
};

} // namespace

TEST_F(RecordServiceOracleTest, TheDemosServiceWithSubtitlesAlone)
{
    ExpectServiceAlone(DEMO, "2");
}

TEST_F(RecordServiceOracleTest, AnH264ServiceAlone)
{
    ExpectServiceAlone(H264, "1");
}
