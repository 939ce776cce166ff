// The decode path of a busy 720x576 25 frames/s MPEG-2 sample at 5 Mbit/s:
// transport packets into the video receiver, through libmpeg2, and each
// picture copied once into a pool of display frames, as a display does in
// OnFrame. Compare frames/s with `mpeg2dec -o null data/video/motion.m2v`.
#include "plugins/video/VideoTestSupport.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DecodeBusySample(benchmark::State& state)
{
    const ts::Bytes packets = video_test::SamplePackets("motion.m2v", 0);
    video_test::CCopyingDisplay display;
    for (auto _ : state) {
        video_test::CInlineVideoReceiver receiver;
        receiver.SetDisplay(&display);
        receiver.Feed(packets);
    }
    state.counters["frames/s"] = benchmark::Counter(double(display.pictures), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(display.pictures);
}
BENCHMARK(BM_DecodeBusySample)->Unit(benchmark::kMillisecond)->MinTime(5);

} // namespace
