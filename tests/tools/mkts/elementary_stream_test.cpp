#include "MpegAudioStream.h"
#include "MpegVideoStream.h"
#include "MuxError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {

void Append(ts::Bytes& out, std::initializer_list<uint8_t> bytes)
{
    out.insert(out.end(), bytes);
}

void SequenceHeader(ts::Bytes& out)
{
    // 720 x 576, 4:3, 25 frames/s, then a sequence extension (MPEG-2).
    Append(out, { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0xFF, 0xFF, 0xE0, 0x18 });
    Append(out, { 0x00, 0x00, 0x01, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00 });
}

void Group(ts::Bytes& out)
{
    Append(out, { 0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40 });
}

enum { I = 1, P = 2, B = 3 };

void Picture(ts::Bytes& out, int temporalReference, int type)
{
    Append(out,
        { 0x00, 0x00, 0x01, 0x00, uint8_t(temporalReference >> 2),
            uint8_t((temporalReference & 3) << 6 | type << 3 | 0x07), 0xFF, 0xF8 });
    Append(out, { 0x00, 0x00, 0x01, 0x01, uint8_t(0x10 + temporalReference), 0xAA, 0x55 }); // a slice
}

ts::Bytes AudioFrames(int count)
{
    ts::Bytes out;
    for (int i = 0; i < count; ++i) {
        // MPEG-1 layer II, no CRC, 128 kbit/s, 48 kHz: 144 * 128000 / 48000 = 384 bytes.
        Append(out, { 0xFF, 0xFD, 0x84, 0x04 });
        out.insert(out.end(), 380, uint8_t(i));
    }
    return out;
}

std::string MakeError(auto make)
{
    try {
        make();
    } catch (const MuxError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(MpegVideoStream, ReordersAnchorsAfterTheirBPictures)
{
    ts::Bytes es;
    SequenceHeader(es);
    Group(es);
    for (auto [tr, type] : { std::pair { 0, I }, { 3, P }, { 1, B }, { 2, B }, { 6, P }, { 4, B }, { 5, B } })
        Picture(es, tr, type);
    // An open group: its first two B-pictures come before its I-picture.
    SequenceHeader(es);
    Group(es);
    for (auto [tr, type] : { std::pair { 2, I }, { 0, B }, { 1, B }, { 5, P }, { 3, B }, { 4, B } })
        Picture(es, tr, type);
    Append(es, { 0x00, 0x00, 0x01, 0xB7 });

    MpegVideoStream video(es, "test.m2v");
    EXPECT_TRUE(video.IsMpeg2());
    EXPECT_EQ(video.FrameDuration(), 3600);
    const auto& units = video.Units();
    ASSERT_EQ(units.size(), 13u);
    const int display[] = { 0, 3, 1, 2, 6, 4, 5, 9, 7, 8, 12, 10, 11 };
    ts::Bytes joined;
    for (size_t i = 0; i < units.size(); ++i) {
        EXPECT_EQ(units[i].pts, display[i] * 3600) << "picture " << i;
        EXPECT_EQ(units[i].DecodeTime(), (int64_t(i) - 1) * 3600) << "picture " << i;
        EXPECT_EQ(units[i].dts.has_value(), units[i].pts != units[i].DecodeTime()) << "DTS only when it differs";
        EXPECT_EQ(units[i].randomAccess, i == 0 || i == 7);
        joined.insert(joined.end(), units[i].data.begin(), units[i].data.end());
    }
    EXPECT_EQ(joined, es) << "units cut the stream without losing or repeating a byte";
    EXPECT_EQ(units[7].data[3], 0xB3) << "headers belong to the picture after them";
}

TEST(MpegVideoStream, TemporalReferenceWrapsWithoutGroupHeaders)
{
    ts::Bytes es;
    SequenceHeader(es);
    for (int i = 0; i < 1100; ++i)
        Picture(es, i % 1024, i == 0 ? I : P);
    MpegVideoStream video(es, "long.m2v");
    ASSERT_EQ(video.Units().size(), 1100u);
    for (size_t i = 0; i < 1100; ++i)
        ASSERT_EQ(video.Units()[i].pts, int64_t(i) * 3600) << "picture " << i;
}

TEST(MpegVideoStream, RefusesWhatIsNotVideo)
{
    EXPECT_THAT(
        MakeError([] { MpegVideoStream(AudioFrames(2), "tone.mp2"); }), HasSubstr("tone.mp2 is not MPEG video"));
    ts::Bytes headerOnly;
    SequenceHeader(headerOnly);
    EXPECT_THAT(MakeError([&] { MpegVideoStream(headerOnly, "empty.m2v"); }), HasSubstr("no coded picture"));
}

TEST(MpegAudioStream, FramesFollowEvery1152Samples)
{
    MpegAudioStream audio(AudioFrames(3), "tone.mp2");
    EXPECT_TRUE(audio.IsMpeg1());
    EXPECT_EQ(audio.SampleRate(), 48000);
    ASSERT_EQ(audio.Units().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(audio.Units()[i].pts, int64_t(i) * 2160);
        EXPECT_EQ(audio.Units()[i].data.size(), 384u);
        EXPECT_EQ(audio.Units()[i].data[4], i);
    }
}

TEST(MpegAudioStream, RefusesWhatIsNotAudioOrLosesSync)
{
    ts::Bytes video;
    SequenceHeader(video);
    EXPECT_THAT(MakeError([&] { MpegAudioStream(video, "video.m2v"); }), HasSubstr("video.m2v is not MPEG audio"));
    ts::Bytes broken = AudioFrames(3);
    broken[384] = 0x00;
    EXPECT_THAT(
        MakeError([&] { MpegAudioStream(broken, "broken.mp2"); }), HasSubstr("lost MPEG audio frame sync at byte 384"));
    ts::Bytes freeFormat = AudioFrames(1);
    freeFormat[2] = 0x04;
    EXPECT_THAT(MakeError([&] { MpegAudioStream(freeFormat, "free.mp2"); }), HasSubstr("is not MPEG audio"));
}

TEST(MpegAudioStream, DropsACutOffLastFrame)
{
    ts::Bytes cut = AudioFrames(2);
    cut.resize(384 + 100);
    EXPECT_EQ(MpegAudioStream(cut, "cut.mp2").Units().size(), 1u);
}
