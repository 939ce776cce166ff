#include "MuxDescription.h"
#include "MuxError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

const std::string HEAD = "multiplex name=\"M\" network_id=1 transport_stream_id=2 original_network_id=3 "
                         "frequency=474000000\n"
                         "stream pid=0x100 kind=video file=v.m2v\n"
                         "stream pid=0x101 kind=audio file=a.mp2 language=eng\n";

std::string ErrorOf(const std::string& text)
{
    try {
        MuxDescription::Parse(text, "test.mux");
    } catch (const MuxError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(MuxDescription, ReadsEveryStatement)
{
    MuxDescription mux = MuxDescription::Parse(HEAD
            + "service id=7 pmt_pid=0x20 type=tv name=\"Seven TV\" streams=0x100,0x101 # comment\n"
              "event service=7 start=-60 duration=120 title=\"Now On\" text=\"Something\"\n"
              "stream pid=0x102 kind=subtitles language=deu page=3\n"
              "subtitle pid=0x102 start=1.5 end=2 text=\"one|two\"\n",
        "test.mux");
    EXPECT_EQ(mux.name, "M");
    EXPECT_EQ(mux.delivery.frequency, 474000000u);
    ASSERT_EQ(mux.services.size(), 1u);
    EXPECT_EQ(mux.services[0].name, "Seven TV");
    EXPECT_EQ(mux.services[0].provider, "Korrix");
    EXPECT_EQ(mux.services[0].streams, (std::vector<uint16_t> { 0x100, 0x101 }));
    EXPECT_EQ(mux.events.at(0).start, -60);
    EXPECT_EQ(mux.streams.at(2).page, 3);
    EXPECT_EQ(mux.cues.at(0).lines, (std::vector<std::string> { "one", "two" }));
    EXPECT_DOUBLE_EQ(mux.cues.at(0).start, 1.5);
}

TEST(MuxDescription, CollidingOrReservedPidsAreRefused)
{
    EXPECT_THAT(
        ErrorOf(
            HEAD + "stream pid=0x100 kind=audio file=b.mp2\nservice id=1 pmt_pid=0x20 type=tv name=A streams=0x100\n"),
        HasSubstr("test.mux:4: PID 0x0100 of the stream on line 4 collides with the stream on line 2"));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x101 type=tv name=A streams=0x100\n"),
        HasSubstr("PID 0x0101 of the PMT of service 1 collides with the stream on line 3"));
    EXPECT_THAT(ErrorOf(HEAD
                    + "service id=1 pmt_pid=0x20 type=tv name=A streams=0x100\n"
                      "service id=2 pmt_pid=0x20 type=tv name=B streams=0x100\n"),
        HasSubstr("collides with the PMT of service 1"));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x11 type=tv name=A streams=0x100\n"), HasSubstr("is reserved"));
}

TEST(MuxDescription, ServicesMustCarryWhatTheirTypeNeeds)
{
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=tv name=A streams=0x101\n"),
        HasSubstr("television service needs a video stream"));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=radio name=A streams=0x100,0x101\n"),
        HasSubstr("radio service needs audio and no video"));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=tv name=A streams=0x100,0x999\n"),
        HasSubstr("names stream 0x0999, which no stream line defines"));
    EXPECT_THAT(ErrorOf(HEAD
                    + "service id=1 pmt_pid=0x20 type=tv name=A streams=0x100\n"
                      "subtitle pid=0x101 start=1 end=2 text=x\n"),
        HasSubstr("is not a subtitles stream"));
}

TEST(MuxDescription, MistakesAreNamedWithTheirLine)
{
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=tv name=A streams=0x100 colour=red\n"),
        HasSubstr("test.mux:4: unknown key colour="));
    EXPECT_THAT(ErrorOf(HEAD + "programme id=1\n"), HasSubstr("test.mux:4: unknown statement \"programme\""));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=tv streams=0x100\n"), HasSubstr("missing name="));
    EXPECT_THAT(ErrorOf(HEAD + "service id=1 pmt_pid=0x2000 type=tv name=A streams=0x100\n"),
        HasSubstr("pmt_pid=0x2000 is not a number"));
    EXPECT_THAT(ErrorOf("stream pid=0x100 kind=video file=v.m2v\n"), HasSubstr("no multiplex line"));
    EXPECT_THAT(
        ErrorOf(HEAD + "service id=1 pmt_pid=0x20 type=tv name=\"A streams=0x100\n"), HasSubstr("unterminated"));
}
