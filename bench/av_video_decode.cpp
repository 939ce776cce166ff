// The H.264 and HEVC decode path at 1080p: transport packets into the video
// receiver, through libavcodec (and libswscale where needed), each picture
// copied once into a pool of display frames as a display does in OnFrame.
// The first argument is libavcodec's thread count; the second is 1 when the
// display copies each picture, 0 for a display that takes none, which leaves
// the work ffmpeg does for `-f null`. CPU time counts every thread of the
// process, the fairer figure on a shared machine.
//
// The streams are made once by ffmpeg into $TMPDIR/korrix-av-video-bench
// (10 s of a noisy moving pattern at 1920x1080, 25 frames/s, about 8 Mbit/s;
// H.264 High with B-frames, progressive and interlaced, HEVC Main), so that
// ffmpeg can decode the very same files to compare, at the same thread count N:
//   ffmpeg -benchmark -threads N -i $TMPDIR/korrix-av-video-bench/h264_1080.ts -f null -
//   ffmpeg -benchmark -threads N -i $TMPDIR/korrix-av-video-bench/h264_1080i.ts -f null -
//   ffmpeg -benchmark -threads N -i $TMPDIR/korrix-av-video-bench/hevc_1080.ts -f null -
// (compare its utime + stime, and frames/s = 250 / its rtime).
#include "plugins/av_video/AVVideoTestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

using namespace av_video_test;

namespace {

std::string BenchFile(const std::string& name, const std::string& encoder)
{
    const char* temporary = std::getenv("TMPDIR");
    const std::filesystem::path folder
        = std::filesystem::path(temporary ? temporary : "/tmp") / "korrix-av-video-bench";
    const std::filesystem::path file = folder / name;
    if (std::filesystem::exists(file))
        return file.string();
    std::filesystem::create_directories(folder);
    const std::string part = file.string() + ".part";
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i "
                                "'testsrc2=size=1920x1080:rate=25,noise=alls=12:allf=t,trim=duration=10' "
        + encoder + " -b:v 8M -maxrate 10M -bufsize 5M -g 25 -bf 2 -pix_fmt yuv420p -f mpegts '" + part + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg could not make " + file.string());
    std::filesystem::rename(part, file);
    return file.string();
}

// Takes the pictures without looking at them.
class CCountingDisplay : public CDVBDisplay
{
public:
    void OnFrame(int, int, const unsigned char*, const unsigned char*, const unsigned char*, int64_t) override
    {
        pictures++;
    }

    int64_t pictures = 0;
};

void DecodeStream(benchmark::State& state, const std::string& path, DVBVideoCodec codec)
{
    std::ifstream file(path, std::ios::binary);
    const ts::Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const ts::Bytes packets = Ended(codec, VideoPackets(PesUnits(stream, kSamplePid), 900000));

    CCopyingDisplay copying;
    CCountingDisplay counting;
    CDVBDisplay* display = state.range(1) ? static_cast<CDVBDisplay*>(&copying) : &counting;
    for (auto _ : state) {
        CInlineAVReceiver receiver(codec, int(state.range(0)));
        receiver.SetDisplay(display);
        receiver.Feed(packets);
    }
    const int64_t pictures = copying.pictures + counting.pictures;
    state.counters["frames/s"] = benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(pictures);
}

void BM_DecodeH264At1080p(benchmark::State& state)
{
    DecodeStream(
        state, BenchFile("h264_1080.ts", "-c:v libx264 -preset veryfast -profile:v high"), DVBVideoCodec::H264);
}
BENCHMARK(BM_DecodeH264At1080p)
    ->ArgsProduct({ { 1, 2 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Interlaced, as most HD broadcasts in H.264 are: MBAFF, top field first.
void BM_DecodeH264At1080i(benchmark::State& state)
{
    DecodeStream(state,
        BenchFile(
            "h264_1080i.ts", "-c:v libx264 -preset veryfast -profile:v high -flags +ildct+ilme -x264-params tff=1"),
        DVBVideoCodec::H264);
}
BENCHMARK(BM_DecodeH264At1080i)
    ->ArgsProduct({ { 1, 2 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_DecodeHevcAt1080p(benchmark::State& state)
{
    DecodeStream(state, BenchFile("hevc_1080.ts", "-c:v libx265 -preset ultrafast -x265-params log-level=error"),
        DVBVideoCodec::HEVC);
}
BENCHMARK(BM_DecodeHevcAt1080p)
    ->ArgsProduct({ { 1, 2 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
