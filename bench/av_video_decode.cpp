// The H.264 and HEVC decode path at 1080p: transport packets into the video
// receiver, through libavcodec (and libswscale where needed), each picture
// copied once into a pool of display frames as a display does in OnFrame.
// The argument is libavcodec's thread count.
//
// The streams are made once by ffmpeg into $TMPDIR/korrix-av-video-bench
// (10 s of a noisy moving pattern at 1920x1080, 25 frames/s, about 8 Mbit/s;
// H.264 High with B-frames, HEVC Main), so that ffmpeg can decode the very
// same files to compare, at the same thread count N:
//   ffmpeg -benchmark -threads N -i $TMPDIR/korrix-av-video-bench/h264_1080.ts -f null -
//   ffmpeg -benchmark -threads N -i $TMPDIR/korrix-av-video-bench/hevc_1080.ts -f null -
// (frames/s = 250 / the "rtime" it prints).
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

void DecodeStream(benchmark::State& state, const std::string& path, DVBVideoCodec codec)
{
    std::ifstream file(path, std::ios::binary);
    const ts::Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const ts::Bytes packets = Ended(codec, VideoPackets(PesUnits(stream, kSamplePid), 900000));

    CCopyingDisplay display;
    for (auto _ : state) {
        CInlineAVReceiver receiver(codec, int(state.range(0)));
        receiver.SetDisplay(&display);
        receiver.Feed(packets);
    }
    state.counters["frames/s"] = benchmark::Counter(double(display.pictures), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(display.pictures);
}

void BM_DecodeH264At1080p(benchmark::State& state)
{
    DecodeStream(
        state, BenchFile("h264_1080.ts", "-c:v libx264 -preset veryfast -profile:v high"), DVBVideoCodec::H264);
}
BENCHMARK(BM_DecodeH264At1080p)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime();

void BM_DecodeHevcAt1080p(benchmark::State& state)
{
    DecodeStream(state, BenchFile("hevc_1080.ts", "-c:v libx265 -preset ultrafast -x265-params log-level=error"),
        DVBVideoCodec::HEVC);
}
BENCHMARK(BM_DecodeHevcAt1080p)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime();

} // namespace
