// The demo's subtitles as the layer paints them, against ffmpeg's rendering
// of the same stream: the same pixels, and each subtitle from the first frame
// at or after its PTS until the display set that clears it.
#include "SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"
#include "DemoStream.h"
#include "Multiplexer.h"
#include "Workspace.h"
#include "support/TsReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace subtitle_test;

namespace {

constexpr uint16_t SUBTITLE_PID = 0x0204;
constexpr int64_t FRAME_TICKS = 3600; // 25 frames a second
// No colour table entry of the demo has this luma: it marks pixels the layer left alone.
constexpr uint8_t UNPAINTED = 1;

// Plays the demo's subtitle packets into a receiver as the receive thread
// would, with the programme clock at each packet's time, and presents frames
// as the display's frame thread would.
class DemoPlayback
{
public:
    explicit DemoPlayback(const DemoStream& demo)
        : m_demo(demo)
    {
        AddDefaultColourTable(BuildDefaultColourTable());
        m_receiver.SetProgramClock(&m_clock);
        m_receiver.SetDisplay(&m_display);
    }
    ~DemoPlayback() { DeleteDefaultColourTables(); }

    // The next frame, which the demo's video shows at START + n x 3600.
    Frame NextFrame()
    {
        const int64_t time = Multiplexer::START + m_frames++ * FRAME_TICKS;
        const size_t packets = m_demo.bytes.size() / ts::PACKET_SIZE;
        // The demo's PCR counts from 0 at its first packet.
        for (; m_packet < packets && m_demo.PacketTime(m_packet) / 300 <= time; ++m_packet) {
            unsigned char* packet = const_cast<unsigned char*>(&m_demo.bytes[m_packet * ts::PACKET_SIZE]);
            if (CDVBPIDReceiver::GetPacketPID(packet) == SUBTITLE_PID) {
                m_clock.value = m_demo.PacketTime(m_packet) / 300;
                m_receiver.OnReceivePacket(m_packet, packet);
            }
        }
        Frame frame(UNPAINTED);
        m_display.Draw(frame, time);
        return frame;
    }

private:
    const DemoStream& m_demo;
    ScriptedClock m_clock;
    FakeDisplay m_display;
    CDVBSubtitleReceiver m_receiver { nullptr };
    size_t m_packet = 0;
    int64_t m_frames = 0;
};

bool Painted(const Frame& frame)
{
    return frame.CountLuma(UNPAINTED) != frame.y.size();
}

} // namespace

TEST(DemoSubtitles, EachAppearsAtItsPTSAndStaysUntilCleared)
{
    const DemoStream& demo = DemoStream::Get();
    ts::TsReader reader;
    reader.AddPesPid(SUBTITLE_PID);
    reader.Read(demo.bytes);
    reader.Finish();
    // (PTS, shows something): a page composition with regions shows, one without clears.
    std::vector<std::pair<int64_t, bool>> changes;
    for (const ts::ReadPes& pes : reader.PesPackets(SUBTITLE_PID)) {
        const Bytes& payload = pes.pes.data;
        ASSERT_EQ(payload.at(2), 0x0F);
        ASSERT_EQ(payload.at(3), 0x10) << "every demo display set starts with its page";
        const size_t pageLength = size_t(payload.at(6) << 8 | payload.at(7));
        changes.emplace_back(*pes.pes.pts, pageLength > 2);
    }
    ASSERT_EQ(changes.size(), 10u) << "five subtitles, each shown and cleared";

    DemoPlayback playback(demo);
    int shown = 0;
    bool was = false;
    for (int n = 0; n < 20 * 25; ++n) {
        const int64_t time = Multiplexer::START + n * FRAME_TICKS;
        bool expected = false;
        for (auto [pts, shows] : changes)
            if (pts <= time)
                expected = shows;
        const bool painted = Painted(playback.NextFrame());
        ASSERT_EQ(painted, expected) << "frame " << n;
        shown += painted && !was;
        was = painted;
    }
    EXPECT_EQ(shown, 5);
}

TEST(DemoSubtitles, CoverThePixelsFfmpegDraws)
{
    const DemoStream& demo = DemoStream::Get();
    Workspace work;
    std::ofstream(work.Path("demo.ts"), std::ios::binary)
        .write(reinterpret_cast<const char*>(demo.bytes.data()), std::streamsize(demo.bytes.size()));
    // The first subtitle (2-bit and 4-bit regions) and the third (yellow 4-bit text).
    const std::vector<int> frames { 55, 250 };
    auto render = [&](const std::string& graph, const std::string& name) {
        auto [status, errors] = work.Shell("ffmpeg -nostdin -v error -y -i " + work.Path("demo.ts").string()
            + " -filter_complex \"" + graph + ",select=eq(n\\,55)+eq(n\\,250)\" -fps_mode passthrough -frames:v 2"
            + " -pix_fmt gray -f rawvideo " + work.Path(name).string());
        if (status != 0)
            throw std::runtime_error("ffmpeg failed: " + errors);
        return ReadWholeFile(work.Path(name).string());
    };
    const Bytes burnt = render("[0:v:0][0:s:0]overlay", "burnt.raw");
    const Bytes plain = render("[0:v:0]null", "plain.raw");
    const size_t frameSize = size_t(Frame::WIDTH) * Frame::HEIGHT;
    ASSERT_EQ(burnt.size(), frames.size() * frameSize);
    ASSERT_EQ(plain.size(), burnt.size());

    DemoPlayback playback(demo);
    int n = 0;
    for (size_t which = 0; which < frames.size(); ++which) {
        Frame frame;
        while (n <= frames[which]) {
            frame = playback.NextFrame();
            ++n;
        }
        size_t painted = 0, opaqueMatches = 0;
        for (size_t at = 0; at < frameSize; ++at) {
            const int before = plain[which * frameSize + at], after = burnt[which * frameSize + at];
            if (frame.y[at] == UNPAINTED) {
                ASSERT_EQ(after, before) << "ffmpeg drew at " << at % Frame::WIDTH << "," << at / Frame::WIDTH
                                         << " where the layer did not, frame " << frames[which];
                continue;
            }
            ++painted;
            // ffmpeg's grey is full range; the layer paints studio range, and
            // opaque: ffmpeg's blend lies between the picture and the layer's colour.
            const int ours = int(std::lround(std::clamp((frame.y[at] - 16) * 255.0 / 219, 0.0, 255.0)));
            ASSERT_GE(after, std::min(before, ours) - 10) << at % Frame::WIDTH << "," << at / Frame::WIDTH;
            ASSERT_LE(after, std::max(before, ours) + 10) << at % Frame::WIDTH << "," << at / Frame::WIDTH;
            opaqueMatches += std::abs(ours - before) > 40 && std::abs(after - ours) <= 3;
        }
        EXPECT_GT(painted, 10000u) << "frame " << frames[which];
        EXPECT_GT(opaqueMatches, 1000u) << "frame " << frames[which] << ": text and outline as ffmpeg has them";
        std::printf(
            "frame %d: %zu pixels painted, %zu opaque ones equal to ffmpeg's\n", frames[which], painted, opaqueMatches);
    }
}
