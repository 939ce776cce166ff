// The H.264/HEVC decoder's times, its plug-in and decode thread, and what it
// does with damaged streams and streams joined part-way.
#include "AVVideoPictureCheck.h"
#include "KRXAVVideoDecoderPlugin.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXPluginManager.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace av_video_test;

namespace {

constexpr int64_t kFirstPts = 900000;
constexpr uint32_t kHangGuardMs = 20000; // fails a test that would otherwise hang; never expected to expire

std::vector<int64_t> TimesOf(DVBVideoCodec codec, const ts::Bytes& packets)
{
    CRecordingDisplay display;
    CInlineAVReceiver receiver(codec, 1);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(codec, packets));
    return display.Times();
}

} // namespace

TEST(AVVideoTimes, PicturesBeforeTheFirstTimeStampCountUpFromZeroInFramePeriods)
{
    // The first GOP (closed: its 25 pictures are those shown 0 to 24) unstamped.
    const std::vector<int64_t> times
        = TimesOf(DVBVideoCodec::H264, VideoPackets(SampleUnits("h264_8bit.ts"), kFirstPts, 25));
    ASSERT_EQ(times.size(), 50u);
    for (size_t i = 0; i < 25; i++)
        EXPECT_EQ(times[i], int64_t(i + 1) * kFramePeriod) << "unstamped picture " << i;
    for (size_t i = 25; i < times.size(); i++)
        EXPECT_EQ(times[i], kFirstPts + int64_t(i) * kFramePeriod) << "stamped picture " << i;
}

TEST(AVVideoTimes, OddTimesKeepTheirLowestBitAlsoAcrossTheWrap)
{
    // The fourth picture's PTS is the highest 33-bit value; those after it wrap to small odd numbers.
    const int64_t base = kTimeMask - 3 * kFramePeriod;
    const std::vector<int64_t> times = TimesOf(DVBVideoCodec::HEVC, VideoPackets(SampleUnits("hevc_8bit.ts"), base));
    ASSERT_EQ(times.size(), 50u);
    EXPECT_EQ(times[3], 0x1FFFFFFFF);
    for (size_t i = 0; i < times.size(); i++)
        EXPECT_EQ(times[i], (base + int64_t(i) * kFramePeriod) & kTimeMask) << "picture " << i;
}

namespace {

struct Stream {
    const char* name;
    DVBVideoCodec codec;
};

// Damage done to the coded pictures of the first GOP after its key picture.
using Damage = std::function<void(std::vector<AccessUnit>& units, size_t first, size_t end)>;

class AVVideoBadStreams : public testing::TestWithParam<Stream>
{
protected:
    // Feeds the sample from unit `from` on, with `damage` done to the first
    // GOP; returns the pictures the display got.
    std::vector<CRecordingDisplay::Frame> Decode(size_t from, const Damage& damage = {})
    {
        std::vector<AccessUnit> units = SampleUnits(GetParam().name);
        if (damage)
            damage(units, 1, KeyUnits(GetParam().codec, units)[1]);
        CRecordingDisplay display;
        CInlineAVReceiver receiver(GetParam().codec, 1);
        receiver.SetDisplay(&display);
        receiver.Feed(Ended(GetParam().codec,
            VideoPackets(std::vector<AccessUnit>(units.begin() + long(from), units.end()), kFirstPts)));
        return display.Frames();
    }

    // The time of the second GOP's key picture: every picture shown from it
    // on decodes from that GOP alone.
    int64_t SecondKeyTime() const
    {
        const std::vector<AccessUnit> units = SampleUnits(GetParam().name);
        return units[KeyUnits(GetParam().codec, units)[1]].pts;
    }

    std::vector<ts::Bytes> Expected() const { return FfmpegPictures(SamplePath(GetParam().name), 352, 288); }
};

} // namespace

TEST_P(AVVideoBadStreams, JoiningAfterTheKeyPictureShowsNothingUntilTheNextOne)
{
    // Tuning in three pictures into the first GOP: no SPS, no PPS and no
    // reference until the second GOP begins; with HEVC's open GOPs the
    // pictures shown before that GOP's key picture lean on the first GOP.
    const std::vector<CRecordingDisplay::Frame> frames = Decode(3);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().time, kFirstPts + SecondKeyTime());
    ExpectPicturesFrom(frames, Expected(), kFirstPts, SecondKeyTime());
}

TEST_P(AVVideoBadStreams, PicturesResumeAfterPicturesCutShort)
{
    const std::vector<CRecordingDisplay::Frame> frames
        = Decode(0, [](std::vector<AccessUnit>& units, size_t first, size_t end) {
              for (size_t i = first; i < end; i += 2)
                  units[i].data.resize(units[i].data.size() / 2);
          });
    ExpectPicturesFrom(frames, Expected(), kFirstPts, SecondKeyTime());
}

TEST_P(AVVideoBadStreams, PicturesResumeAfterLostPictures)
{
    // Three pictures in the middle of the first GOP, references among them.
    const std::vector<CRecordingDisplay::Frame> frames
        = Decode(0, [](std::vector<AccessUnit>& units, size_t first, size_t) {
              units.erase(units.begin() + long(first) + 8, units.begin() + long(first) + 11);
          });
    ExpectPicturesFrom(frames, Expected(), kFirstPts, SecondKeyTime());
}

TEST_P(AVVideoBadStreams, PicturesResumeAfterBitErrorsInTheSlices)
{
    // Errors past each unit's delimiter and parameter sets, in slice data.
    const std::vector<CRecordingDisplay::Frame> frames
        = Decode(0, [](std::vector<AccessUnit>& units, size_t first, size_t end) {
              for (size_t i = first; i < end; i++)
                  for (size_t at = 64; at < units[i].data.size(); at += 61)
                      units[i].data[at] ^= 0x5A;
          });
    ExpectPicturesFrom(frames, Expected(), kFirstPts, SecondKeyTime());
}

TEST_P(AVVideoBadStreams, AnUnreadableFirstParameterSetShowsNothingUntilTheNextKeyPicture)
{
    // Zeros throughout the first GOP's parameter sets: none of it can be decoded.
    const std::vector<CRecordingDisplay::Frame> frames = Decode(0, [](std::vector<AccessUnit>& units, size_t, size_t) {
        ts::Bytes& data = units[0].data;
        const DVBVideoCodec codec = GetParam().codec;
        for (size_t i = 0; i + 4 < data.size(); i++) {
            if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
                continue;
            const int type = codec == DVBVideoCodec::HEVC ? data[i + 3] >> 1 & 0x3F : data[i + 3] & 0x1F;
            const bool parameters = codec == DVBVideoCodec::HEVC ? type >= 32 && type <= 34 : type == 7 || type == 8;
            if (parameters)
                std::fill(data.begin() + long(i) + 5, data.begin() + long(i) + 12, 0x00);
        }
    });
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().time, kFirstPts + SecondKeyTime());
    ExpectPicturesFrom(frames, Expected(), kFirstPts, SecondKeyTime());
}

INSTANTIATE_TEST_SUITE_P(Samples, AVVideoBadStreams,
    testing::Values(Stream { "h264_8bit.ts", DVBVideoCodec::H264 }, Stream { "h264_open_gop.ts", DVBVideoCodec::H264 },
        Stream { "hevc_8bit.ts", DVBVideoCodec::HEVC }),
    [](const testing::TestParamInfo<Stream>& info) {
        const std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST(AVVideoSizeChange, PicturesOfTheNewSizeFollowInOrderAndTheShapeIsToldAgain)
{
    CRecordingDisplay display;
    CInlineAVReceiver receiver(DVBVideoCodec::H264, 2);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(DVBVideoCodec::H264, VideoPackets(SampleUnits("h264_size_change.ts"), kFirstPts)));

    const std::vector<CRecordingDisplay::Frame> frames = display.Frames();
    ASSERT_EQ(frames.size(), 20u);
    for (size_t i = 0; i < frames.size(); i++) {
        const std::pair<int, int> size = i < 10 ? std::make_pair(352, 288) : std::make_pair(640, 360);
        EXPECT_EQ(std::make_pair(frames[i].width, frames[i].height), size) << "picture " << i;
        EXPECT_EQ(frames[i].time, kFirstPts + int64_t(i) * kFramePeriod) << "picture " << i;
    }
    EXPECT_EQ(display.aspectRatios, (std::vector<std::pair<int, int>> { { 16, 9 }, { 4, 3 } }));
}

namespace {

CDVBComponentDefinition Described(const char* text)
{
    CDVBComponentDefinition component;
    component.SetDescription(text);
    return component;
}

} // namespace

TEST(AVVideoPlugin, OpensAReceiverForH264AndHevcInAnyCaseAndNothingElse)
{
    CKRXAVVideoDecoderPlugin plugin;
    for (const char* text : { "video", "video (MPEG-2)", "video (H.264) ", "video (H.26", "audio (AAC)", "" }) {
        CDVBComponentDefinition component = Described(text);
        EXPECT_FALSE(plugin.SupportsComponent(&component)) << text;
        EXPECT_EQ(plugin.OpenComponent(&component), nullptr) << text;
    }
    for (const char* text : { "video (H.264)", "VIDEO (h.264)", "video (HEVC)", "Video (hevc)" }) {
        CDVBComponentDefinition component = Described(text);
        CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
        ASSERT_NE(receiver, nullptr) << text;
        EXPECT_EQ(receiver->GetType(), DVB_RECEIVER_VIDEO);
        EXPECT_EQ(receiver->GetPlugin(), &plugin);
        EXPECT_TRUE(plugin.CloseComponent(receiver));
    }
}

TEST(AVVideoPlugin, LoadingTheModuleRegistersTheDecoder)
{
    TemporaryFolder folder;
    std::filesystem::copy_file(KRX_AV_VIDEO_MODULE, folder.File("KRXAVVideo.so"));
    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 1);
    CKRXPlugin* plugin = manager->GetPluginWithType(KRX_PLUGIN_DECODER, 0);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->GetName(), "H.264/HEVC Video");
    manager->UnloadPlugins();
}

namespace {

// Opens an H.264 receiver through the plug-in, running its own decode thread,
// and hands it the first GOP of the sample (25 pictures, which fit its buffers).
struct ThreadedReceiver {
    explicit ThreadedReceiver(CRecordingDisplay& display)
    {
        CDVBComponentDefinition component = Described("video (H.264)");
        receiver = plugin.OpenComponent(&component);
        receiver->SetDisplay(&display);
        receiver->SetPID(kVideoPid); // registration starts the decode thread
        const std::vector<AccessUnit> units = SampleUnits("h264_8bit.ts");
        const ts::Bytes packets = Ended(
            DVBVideoCodec::H264, VideoPackets(std::vector<AccessUnit>(units.begin(), units.begin() + 25), kFirstPts));
        for (size_t offset = 0; offset < packets.size(); offset += ts::PACKET_SIZE)
            receiver->OnReceivePacket(offset / ts::PACKET_SIZE, const_cast<uint8_t*>(packets.data()) + offset);
    }

    CKRXAVVideoDecoderPlugin plugin;
    CDVBPIDReceiver* receiver = nullptr;
};

} // namespace

TEST(AVVideoDecodeThread, DecodesWhatArrivesAndEndsWhenClosed)
{
    CRecordingDisplay display;
    display.expected = 25;
    ThreadedReceiver threaded(display);
    ASSERT_TRUE(display.framesArrived.Wait(kHangGuardMs));
    EXPECT_TRUE(threaded.plugin.CloseComponent(threaded.receiver));
    const std::vector<int64_t> times = display.Times();
    ASSERT_EQ(times.size(), 25u);
    for (size_t i = 0; i < times.size(); i++)
        EXPECT_EQ(times[i], kFirstPts + int64_t(i) * kFramePeriod);
}

TEST(AVVideoDecodeThread, ClosingWhileDecodingEndsWithThePicturesSoFarInOrder)
{
    CRecordingDisplay display;
    ThreadedReceiver threaded(display);
    EXPECT_TRUE(threaded.plugin.CloseComponent(threaded.receiver));
    const std::vector<int64_t> times = display.Times();
    for (size_t i = 0; i < times.size(); i++)
        EXPECT_EQ(times[i], kFirstPts + int64_t(i) * kFramePeriod);
}
