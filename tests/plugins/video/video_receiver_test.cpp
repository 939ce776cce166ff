// The video receiver's times, displays, decode thread and plug-in, and what
// it does with damaged streams.
#include "KRXVideoDecoderPlugin.h"
#include "VideoTestSupport.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXPluginManager.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace video_test;

namespace {

constexpr uint32_t kHangGuardMs = 20000; // fails a test that would otherwise hang; never expected to expire

// The first pictures of the busy sample: two GOPs of twelve, and the first
// picture of the third, which sends the open GOP's last B-pictures after it.
std::vector<AccessUnit> FirstPictures(size_t count = 25)
{
    static const std::vector<AccessUnit> sample = SamplePictures("motion.m2v");
    return std::vector<AccessUnit>(sample.begin(), sample.begin() + long(count));
}

ts::Bytes Ended(ts::Bytes packets)
{
    const ts::Bytes end = EndOfStreamPackets();
    packets.insert(packets.end(), end.begin(), end.end());
    return packets;
}

// Frames whose time is at or after `from`, with the times strictly rising.
size_t CountRisingFrom(const std::vector<int64_t>& times, int64_t from)
{
    size_t count = 0;
    int64_t last = INT64_MIN;
    for (int64_t time : times) {
        if (time < from)
            continue;
        EXPECT_GT(time, last);
        last = time;
        count++;
    }
    return count;
}

} // namespace

TEST(VideoTimes, PicturesBeforeTheFirstTimeStampCountUpFromZeroInFramePeriods)
{
    // The first ten pictures in coding order are those shown 0 to 9; the
    // eleventh, the next GOP's I-picture, is the first with a PTS.
    const std::vector<AccessUnit> pictures = FirstPictures();
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(VideoPackets(pictures, 450000, 10)));

    const std::vector<int64_t> times = display.Times();
    ASSERT_EQ(times.size(), pictures.size());
    for (size_t i = 0; i < 10; i++)
        EXPECT_EQ(times[i], int64_t(i + 1) * 3600) << "unstamped picture " << i;
    for (size_t i = 10; i < times.size(); i++)
        EXPECT_EQ(times[i], 450000 + int64_t(i) * 3600) << "stamped picture " << i;
}

TEST(VideoTimes, AnOddPtsComesOutOneLowerAlsoAcrossTheWrap)
{
    // Odd stamps from 0x1FFFFFFFF - 3 frames on: the fourth picture's PTS is
    // the highest 33-bit value, the ones after it have wrapped to small odd numbers.
    const int64_t base = kTimeMask - 3 * 3600;
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(VideoPackets(FirstPictures(), base)));

    const std::vector<int64_t> times = display.Times();
    ASSERT_EQ(times.size(), 25u);
    EXPECT_EQ(times[3], 0x1FFFFFFFE);
    for (size_t i = 0; i < times.size(); i++)
        EXPECT_EQ(times[i], ((base + int64_t(i) * 3600) & kTimeMask) - 1) << "picture " << i;
}

TEST(VideoDisplays, PicturesGoToTheDisplayLastSetAndNoneAfterItIsUnset)
{
    const std::vector<AccessUnit> pictures = FirstPictures();
    const std::vector<AccessUnit> first(pictures.begin(), pictures.begin() + 10);
    const std::vector<AccessUnit> rest(pictures.begin() + 10, pictures.end());
    CRecordingDisplay a, b;
    CInlineVideoReceiver receiver;

    receiver.Feed(VideoPackets(first, 0)); // no display yet: decoded and dropped
    receiver.OnEveryMillisecond();
    EXPECT_TRUE(receiver.SetDisplay(&a));
    receiver.OnEveryMillisecond();
    receiver.Feed(VideoPackets(rest, 0));
    EXPECT_TRUE(receiver.SetDisplay(&b));
    receiver.OnEveryMillisecond();
    receiver.Feed(EndOfStreamPackets());
    EXPECT_FALSE(receiver.UnsetDisplay(&a)) << "only the display set is unset";
    EXPECT_TRUE(receiver.UnsetDisplay(&b));
    const size_t shownOnB = b.Times().size();
    receiver.OnEveryMillisecond();
    receiver.Feed(VideoPackets(first, 0));
    receiver.Feed(EndOfStreamPackets());
    EXPECT_EQ(b.Times().size(), shownOnB) << "nothing decoded after UnsetDisplay reaches a display";

    EXPECT_EQ(a.ticks, 1);
    EXPECT_EQ(b.ticks, 1);
    // Together the two displays got the pictures from some point on, each once
    // and in order, the last of them (held back until the end) going to b.
    std::vector<int64_t> times = a.Times();
    const std::vector<int64_t> later = b.Times();
    ASSERT_FALSE(times.empty());
    ASSERT_FALSE(later.empty());
    EXPECT_GT(times.front(), 0);
    times.insert(times.end(), later.begin(), later.end());
    for (size_t i = 1; i < times.size(); i++)
        EXPECT_EQ(times[i], times[i - 1] + 3600);
    EXPECT_EQ(times.back(), 24 * 3600);
    // Each display learns the aspect ratio before its first picture.
    EXPECT_EQ(a.aspectRatios, (std::vector<std::pair<int, int>> { { 16, 9 } }));
    EXPECT_EQ(b.aspectRatios, (std::vector<std::pair<int, int>> { { 16, 9 } }));
}

TEST(VideoDecodeThread, DecodesWhatArrivesAndEndsWhenTheReceiverGoes)
{
    CRecordingDisplay display;
    display.expected = 10;
    auto receiver = std::make_unique<CDVBVideoReceiver>(nullptr, std::make_unique<CDVBVideoDecoderState>());
    receiver->SetDisplay(&display);
    receiver->SetPID(kVideoPid); // registration starts the decode thread
    // The first GOP's ten pictures fit the receiver's 50 buffers, so none is
    // lost however the threads run.
    const ts::Bytes packets = Ended(VideoPackets(FirstPictures(10), 0));
    for (size_t offset = 0; offset < packets.size(); offset += ts::PACKET_SIZE)
        receiver->OnReceivePacket(offset / ts::PACKET_SIZE, const_cast<uint8_t*>(packets.data()) + offset);
    ASSERT_TRUE(display.framesArrived.Wait(kHangGuardMs));
    receiver.reset();
    std::vector<int64_t> times = display.Times();
    ASSERT_EQ(times.size(), 10u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
}

TEST(VideoBadStreams, SizeChangesReachTheDisplayAsPicturesOfTheNewSize)
{
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(SamplePackets("size_change.m2v", 0));

    std::vector<std::pair<int, int>> sizes;
    for (const CRecordingDisplay::Frame& frame : display.Frames())
        sizes.push_back({ frame.width, frame.height });
    // The whole coded picture: 1080 lines are coded as 1088.
    std::vector<std::pair<int, int>> expected(8, { 720, 576 });
    expected.insert(expected.end(), 8, { 544, 576 });
    expected.insert(expected.end(), 8, { 1920, 1088 });
    EXPECT_EQ(sizes, expected);
    EXPECT_EQ(display.aspectRatios, (std::vector<std::pair<int, int>> { { 4, 3 }, { 4, 3 }, { 30, 17 } }));
}

namespace {

// In coding order the sample's GOPs are pictures 0-9, 10-21, 22-33 and
// 34-45, each beginning with a sequence header. Feeds these four GOPs with
// `damage` applied to the packets of the second. Returns the times presented.
template <class Damage> std::vector<int64_t> DecodeDamaged(Damage damage)
{
    const std::vector<AccessUnit> pictures = FirstPictures(46);
    const long ends[] = { 10, 22, 46 };
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    for (int gop = 0; gop < 3; gop++) {
        const ts::Bytes packets = VideoPackets(
            std::vector<AccessUnit>(pictures.begin() + (gop ? ends[gop - 1] : 0), pictures.begin() + ends[gop]), 0);
        receiver.Feed(gop == 1 ? damage(packets) : packets);
    }
    receiver.Feed(EndOfStreamPackets());
    return display.Times();
}

// The third and fourth GOPs are shown 22 to 45; the two B-pictures that open
// the third (shown 22 and 23) lean on the damaged GOP, so the pictures owed in
// full are those shown from 24 on.
constexpr int64_t kCleanFrom = 24 * 3600;
constexpr size_t kCleanCount = 22;

} // namespace

TEST(VideoBadStreams, PicturesResumeAfterACaptureCutMidPicture)
{
    const std::vector<int64_t> times = DecodeDamaged([](ts::Bytes packets) {
        packets.resize(packets.size() / 2 / ts::PACKET_SIZE * ts::PACKET_SIZE);
        return packets;
    });
    EXPECT_EQ(CountRisingFrom(times, kCleanFrom), kCleanCount);
}

TEST(VideoBadStreams, PicturesResumeAfterLostPackets)
{
    const std::vector<int64_t> times = DecodeDamaged([](const ts::Bytes& packets) {
        ts::Bytes kept;
        for (size_t offset = 0; offset < packets.size(); offset += ts::PACKET_SIZE)
            if ((offset / ts::PACKET_SIZE) % 7 != 3)
                kept.insert(kept.end(), packets.begin() + offset, packets.begin() + offset + ts::PACKET_SIZE);
        return kept;
    });
    EXPECT_EQ(CountRisingFrom(times, kCleanFrom), kCleanCount);
}

TEST(VideoBadStreams, PicturesResumeAfterACorruptSequenceHeader)
{
    const std::vector<int64_t> times = DecodeDamaged([](ts::Bytes packets) {
        // A width and height of 0 and a forbidden frame rate in the header
        // that opens the GOP's first packet.
        const ts::Bytes code = { 0x00, 0x00, 0x01, 0xB3 };
        const auto header = std::search(packets.begin(), packets.begin() + ts::PACKET_SIZE, code.begin(), code.end());
        EXPECT_NE(header, packets.begin() + ts::PACKET_SIZE);
        std::fill(header + 4, header + 8, 0x00);
        return packets;
    });
    EXPECT_EQ(CountRisingFrom(times, kCleanFrom), kCleanCount);
}

TEST(VideoBadStreams, ASequenceThatEndsBeforeItsFirstPictureShowsNothing)
{
    // The library then names a frame buffer it never decoded into as the
    // picture to show; its planes are unset.
    const ts::Bytes sample = ReadSample("motion.m2v");
    const ts::Bytes pictureStart = { 0x00, 0x00, 0x01, 0x00 };
    AccessUnit headers;
    headers.data.assign(
        sample.begin(), std::search(sample.begin(), sample.end(), pictureStart.begin(), pictureStart.end()));
    headers.data.insert(headers.data.end(), { 0x00, 0x00, 0x01, 0xB7 });

    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(VideoPackets({ headers }, 0));
    receiver.Feed(Ended(VideoPackets(FirstPictures(10), 0)));
    EXPECT_EQ(display.Times().size(), 10u);
}

TEST(VideoPlugin, OpensAVideoReceiverForVideoInAnyCaseAndNothingElse)
{
    CKRXVideoDecoderPlugin plugin;
    EXPECT_EQ(plugin.GetDescription().rfind("MPEG-2 Video Decoder. Uses libmpeg2 by ", 0), 0u);
    for (const char* text : { "video description", "videos", "audio", "", "vide", "video (H.264)", "video (HEVC)" }) {
        CDVBComponentDefinition component;
        component.SetDescription(text);
        EXPECT_FALSE(plugin.SupportsComponent(&component)) << text;
        EXPECT_EQ(plugin.OpenComponent(&component), nullptr) << text;
    }
    for (const char* text : { "video", "VIDEO", "Video" }) {
        CDVBComponentDefinition component;
        component.SetDescription(text);
        CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
        ASSERT_NE(receiver, nullptr) << text;
        EXPECT_EQ(receiver->GetType(), DVB_RECEIVER_VIDEO);
        EXPECT_EQ(receiver->GetPlugin(), &plugin);
        receiver->SetPID(kVideoPid); // a running decode thread must end when it is closed
        EXPECT_TRUE(plugin.CloseComponent(receiver));
    }
}

TEST(VideoPlugin, LoadingTheModuleRegistersTheVideoDecoder)
{
    TemporaryFolder folder;
    std::filesystem::copy_file(KRX_VIDEO_MODULE, folder.File("KRXVideo.so"));
    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 1);
    CKRXPlugin* plugin = manager->GetPluginWithType(KRX_PLUGIN_DECODER, 0);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->GetName(), "Video");
    manager->UnloadPlugins();
}

TEST(VideoBadStreams, JoiningAtAnOpenGOPShowsNoPictureThatLeansOnOneNeverReceived)
{
    // Tuning in at the second GOP: its first two B-pictures, shown before its
    // I-picture, refer to the first GOP's last picture.
    const std::vector<AccessUnit> pictures = FirstPictures(46);
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(VideoPackets(std::vector<AccessUnit>(pictures.begin() + 10, pictures.end()), 0));
    receiver.Feed(EndOfStreamPackets());
    const std::vector<int64_t> times = display.Times();
    ASSERT_FALSE(times.empty());
    EXPECT_EQ(times.front(), pictures[10].pts) << "the GOP's I-picture comes first";
    EXPECT_EQ(times.size(), 36u - 2) << "every picture from the I-picture on";
}
