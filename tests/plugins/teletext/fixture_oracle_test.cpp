// The teletext fixture's subtitle page as the layer paints it, against
// ffmpeg's libzvbi rendering of the same stream (its bitmap stretched over
// the picture, as the layer stretches it): each caption from the first frame
// at or after its PTS until its erase, on the pixels ffmpeg covers.
#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"
#include "SubtitleTestStream.h"
#include "TeletextFixture.h"
#include "Workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace subtitle_test;

namespace {

constexpr int SUBTITLE_PAGE = 888;
constexpr int64_t FRAME_TICKS = 3600;
// No colour of a teletext page has this luma: it marks pixels the layer left alone.
constexpr uint8_t UNPAINTED = 1;

// The fixture's teletext packets into a receiver of page 888 as the receive
// thread would hand them, with the programme clock at each packet's time,
// and frames presented as the display's frame thread would.
class Playback
{
public:
    explicit Playback(const TeletextFixture& fixture)
        : m_fixture(fixture)
    {
        m_receiver.SetProgramClock(&m_clock);
        m_receiver.SetDisplay(&m_display);
    }

    Frame NextFrame()
    {
        const int64_t time = Multiplexer::START + m_frames++ * FRAME_TICKS;
        const size_t packets = m_fixture.bytes.size() / ts::PACKET_SIZE;
        for (; m_packet < packets && m_fixture.PacketTime(m_packet) / 300 <= time; ++m_packet) {
            unsigned char* packet = const_cast<unsigned char*>(&m_fixture.bytes[m_packet * ts::PACKET_SIZE]);
            if (CDVBPIDReceiver::GetPacketPID(packet) == TeletextFixture::PID) {
                m_clock.value = m_fixture.PacketTime(m_packet) / 300;
                m_receiver.OnReceivePacket(m_packet, packet);
            }
        }
        Frame frame(UNPAINTED);
        m_display.Draw(frame, time);
        return frame;
    }

private:
    const TeletextFixture& m_fixture;
    ScriptedClock m_clock;
    FakeDisplay m_display;
    CDVBTeletextReceiver m_receiver { nullptr, std::make_unique<CDVBZVBITeletextDecoder>(), 0x888 };
    size_t m_packet = 0;
    int64_t m_frames = 0;
};

bool Painted(const Frame& frame)
{
    return frame.CountLuma(UNPAINTED) != frame.y.size();
}

} // namespace

TEST(TeletextFixtureSubtitles, EachAppearsAtItsPTSAndIsGoneAfterItsErase)
{
    const TeletextFixture& fixture = TeletextFixture::Get();
    // (time, shows): each caption is set at its start and erased at its end.
    std::vector<std::pair<int64_t, bool>> changes;
    for (const SubtitleCue& cue : fixture.description.cues)
        if (cue.page == SUBTITLE_PAGE) {
            changes.emplace_back(Multiplexer::START + std::llround(cue.start * 90000), true);
            changes.emplace_back(Multiplexer::START + std::llround(cue.end * 90000), false);
        }
    ASSERT_EQ(changes.size(), 6u);
    Playback playback(fixture);
    int shown = 0;
    bool was = false;
    for (int n = 0; n < 14 * 25; ++n) {
        const int64_t time = Multiplexer::START + n * FRAME_TICKS;
        bool expected = false;
        for (auto [at, shows] : changes)
            if (at <= time)
                expected = shows;
        const bool painted = Painted(playback.NextFrame());
        ASSERT_EQ(painted, expected) << "frame " << n;
        shown += painted && !was;
        was = painted;
    }
    EXPECT_EQ(shown, 3);
}

// ffmpeg's stretch may round a block's edge one pixel the other way: it may
// draw next to the layer's pixels but nowhere else, and agrees on nearly all
// of those the layer paints.
TEST(TeletextFixtureSubtitles, CoverThePixelsFfmpegDraws)
{
    const TeletextFixture& fixture = TeletextFixture::Get();
    Workspace work;
    std::ofstream(work.Path("teletext.ts"), std::ios::binary)
        .write(reinterpret_cast<const char*>(fixture.bytes.data()), std::streamsize(fixture.bytes.size()));
    // One frame inside each caption.
    const std::vector<int> frames { 50, 150, 260 };
    const std::string select = "select=eq(n\\,50)+eq(n\\,150)+eq(n\\,260)";
    auto render = [&](const std::string& graph, const std::string& name) {
        auto [status, errors] = work.Shell("ffmpeg -nostdin -v error -y -txt_format bitmap -txt_page 888 -i "
            + work.Path("teletext.ts").string() + " -filter_complex \"" + graph + "," + select
            + "\" -fps_mode passthrough -frames:v 3 -pix_fmt gray -f rawvideo " + work.Path(name).string());
        if (status != 0)
            throw std::runtime_error("ffmpeg failed: " + errors);
        return ReadWholeFile(work.Path(name).string());
    };
    const Bytes burnt = render("[0:s:0]scale=720:576:flags=neighbor[s];[0:v:0][s]overlay", "burnt.raw");
    const Bytes plain = render("[0:v:0]null", "plain.raw");
    const size_t frameSize = size_t(Frame::WIDTH) * Frame::HEIGHT;
    ASSERT_EQ(burnt.size(), frames.size() * frameSize);
    ASSERT_EQ(plain.size(), burnt.size());

    Playback playback(fixture);
    int n = 0;
    for (size_t which = 0; which < frames.size(); ++which) {
        Frame frame;
        while (n <= frames[which]) {
            frame = playback.NextFrame();
            ++n;
        }
        const auto paintedNear = [&frame](int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (x + dx >= 0 && x + dx < Frame::WIDTH && y + dy >= 0 && y + dy < Frame::HEIGHT
                        && frame.Y(x + dx, y + dy) != UNPAINTED)
                        return true;
            return false;
        };
        size_t painted = 0, matches = 0;
        for (size_t at = 0; at < frameSize; ++at) {
            const int x = int(at % Frame::WIDTH), y = int(at / Frame::WIDTH);
            const int before = plain[which * frameSize + at], after = burnt[which * frameSize + at];
            if (frame.y[at] == UNPAINTED) {
                if (after != before)
                    ASSERT_TRUE(paintedNear(x, y))
                        << "ffmpeg drew at " << x << "," << y << " where the layer did not, frame " << frames[which];
                continue;
            }
            ++painted;
            const int ours = int(std::lround(std::clamp((frame.y[at] - 16) * 255.0 / 219, 0.0, 255.0)));
            matches += std::abs(after - ours) <= 10;
        }
        EXPECT_GT(painted, 4000u) << "frame " << frames[which];
        // Away from the edges ffmpeg's pixels are the layer's.
        EXPECT_GT(matches, painted * 95 / 100) << "frame " << frames[which];
        std::printf("frame %d: %zu pixels painted, %zu as ffmpeg has them\n", frames[which], painted, matches);
    }
}
