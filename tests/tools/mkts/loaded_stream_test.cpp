#include "DemoStream.h"
#include "LoadedStream.h"
#include "MuxError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

std::string CueError(const std::string& cues)
{
    std::string text = "multiplex name=M network_id=1 transport_stream_id=1 original_network_id=1 frequency=474000000\n"
                       "stream pid=0x100 kind=video file="
        + DemoPath("video.m2v")
        + "\n"
          "stream pid=0x101 kind=subtitles language=eng\n"
          "service id=1 pmt_pid=0x20 type=tv name=T streams=0x100,0x101\n"
        + cues;
    try {
        LoadedStream::LoadAll(MuxDescription::Parse(text, "cues.mux"));
    } catch (const MuxError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(LoadedStream, SubtitlesThatCannotBeShownAreRefused)
{
    EXPECT_EQ(CueError("subtitle pid=0x101 start=1 end=2 text=\"Short enough\"\n"), "no error");
    EXPECT_THAT(CueError("subtitle pid=0x101 start=1 end=2 text=\"" + std::string(50, 'W') + "\"\n"),
        HasSubstr("cues.mux:5: subtitle text too wide for the picture"));
    EXPECT_THAT(CueError("subtitle pid=0x101 start=1 end=2 text=\"" + std::string(20, '|') + "x\"\n"),
        HasSubstr("cues.mux:5: subtitle has too many lines"));
    EXPECT_THAT(CueError("subtitle pid=0x101 start=1 end=3 text=a\nsubtitle pid=0x101 start=2 end=4 text=b\n"),
        HasSubstr("cues.mux:6: subtitle starts before the previous one ends"));
}

TEST(LoadedStream, EachSubtitleIsShownAtItsStartAndClearedAtItsEnd)
{
    MuxDescription mux = MuxDescription::Load(DemoPath("demo.mux"));
    for (const LoadedStream& stream : LoadedStream::LoadAll(mux)) {
        if (stream.kind != StreamKind::Subtitles)
            continue;
        ASSERT_EQ(stream.units.size(), 2 * mux.cues.size());
        for (size_t i = 0; i < mux.cues.size(); ++i) {
            EXPECT_EQ(stream.units[2 * i].pts, int64_t(mux.cues[i].start * 90000));
            EXPECT_EQ(stream.units[2 * i + 1].pts, int64_t(mux.cues[i].end * 90000));
            EXPECT_GT(stream.units[2 * i].data.size(), stream.units[2 * i + 1].data.size());
        }
    }
}
