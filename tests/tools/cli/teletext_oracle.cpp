// korrix-cli teletext against ffmpeg's libzvbi decoder: for every page of the
// teletext fixture the same text, national characters included. Each run
// plays the fixture at its pace for about a second, so these have a label of
// their own.
#include "CliTest.h"

#include <cstdio>
#include <memory>

namespace {

const CString FIXTURE = KRX_PROGRAM_FOLDER "teletext/teletext.ts";

// The rows of ffmpeg's first subtitle of the page that are not blank, each
// without its leading and trailing blanks. ffmpeg cuts the blanks itself only
// by dropping the page's last row, where the colour links are: it is asked
// for whole rows instead.
std::vector<CString> FfmpegLines(int page)
{
    const CString command = FormatString("ffmpeg -nostdin -v error -txt_format text -txt_chop_spaces 0 -txt_page %d "
                                         "-i %s -map 0:s:0 -f srt - 2>/dev/null",
        page, FIXTURE.c_str());
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<CString> lines;
    char buffer[512];
    int line = 0;
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) {
        CString text(buffer);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        // The number, the times, then the rows up to an empty line.
        if (++line <= 2)
            continue;
        if (text.empty())
            break;
        const size_t first = text.find_first_not_of(" \r");
        if (first != CString::npos)
            lines.push_back(text.substr(first, text.find_last_not_of(" \r") + 1 - first));
    }
    return lines;
}

std::vector<CString> Lines(const CString& text)
{
    std::vector<CString> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == CString::npos ? text.size() : end + 1;
    }
    return lines;
}

} // namespace

class TeletextOracleTest : public CliTest
{
};

TEST_F(TeletextOracleTest, EveryPagePrintsAsFfmpegDecodesIt)
{
    const std::vector<std::pair<int, CString>> pages { { 100, "101       102       103       100" },
        { 101, "Grüße aus Köln" }, { 102, "Città più bella" }, { 103, "Hôtel, forêt et garçon" },
        { 888, "è l'una in città" } };
    for (const auto& [page, line] : pages) {
        ASSERT_EQ(Run({ "teletext", FIXTURE, "--service", "1", "--page", std::to_string(page), "--seconds", "10" }),
            KRX_CLI_OK)
            << page << ": " << err.str();
        const std::vector<CString> ours = Lines(out.str());
        EXPECT_THAT(ours, ::testing::Contains(line)) << page;
        EXPECT_EQ(ours, FfmpegLines(page)) << page;
    }
}

TEST_F(TeletextOracleTest, SaysWhenThePageDoesNotCome)
{
    EXPECT_EQ(Run({ "teletext", FIXTURE, "--service", "1", "--page", "555", "--seconds", "1" }), KRX_CLI_FAILED);
    ExpectOneErrorLine("page 555 did not come");
    EXPECT_EQ(Run({ "teletext", FIXTURE, "--service", "1", "--page", "1000" }), KRX_CLI_MISUSED);
    ExpectOneErrorLine("'--page' is a page number from 100 to 899");
}
