// korrix-cli teletext against ffmpeg's libzvbi decoder: for every page of the
// teletext fixture the same text, national characters included. Each run
// plays the fixture at its pace for about a second, so these have a label of
// their own.
#include "CliTest.h"

#include <cstdio>
#include <memory>

namespace {

const CString FIXTURE = KRX_PROGRAM_FOLDER "teletext/teletext.ts";

// The lines of ffmpeg's first subtitle of the page, each without the
// trailing blanks its text output keeps after some characters.
std::vector<CString> FfmpegLines(int page)
{
    const CString command
        = FormatString("ffmpeg -nostdin -v error -txt_format text -txt_page %d -i %s -map 0:s:0 -f srt - 2>/dev/null",
            page, FIXTURE.c_str());
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<CString> lines;
    char buffer[512];
    int line = 0;
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) {
        CString text(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        // The number, the times, then the text up to a blank line.
        if (++line <= 2)
            continue;
        if (text.empty())
            break;
        lines.push_back(text);
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
    const std::vector<std::pair<int, CString>> pages { { 100, "Price: £5 or ½ of £10" }, { 101, "Grüße aus Köln" },
        { 102, "Città più bella" }, { 103, "Hôtel, forêt et garçon" }, { 888, "è l'una in città" } };
    for (const auto& [page, national] : pages) {
        ASSERT_EQ(Run({ "teletext", FIXTURE, "--service", "1", "--page", std::to_string(page), "--seconds", "10" }),
            KRX_CLI_OK)
            << page << ": " << err.str();
        const std::vector<CString> ours = Lines(out.str());
        EXPECT_THAT(ours, ::testing::Contains(national)) << page;
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
