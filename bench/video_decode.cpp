// The decode path of a busy 720x576 25 frames/s MPEG-2 sample at 5 Mbit/s:
// transport packets into the video receiver, through libmpeg2, and each
// picture copied once into a pool of display frames, as a display does in
// OnFrame. Compare frames/s with `mpeg2dec -o null data/video/motion.m2v`.
#include "plugins/video/VideoTestSupport.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

// Copies every picture into the next of 20 frames, as the display's queue does.
class CCopyingDisplay : public CDVBDisplay
{
public:
    void OnFrame(int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V,
        int64_t) override
    {
        const size_t luma = size_t(width) * height;
        ts::Bytes& frame = m_pool[m_next++ % m_pool.size()];
        frame.resize(luma * 3 / 2);
        std::memcpy(frame.data(), Y, luma);
        std::memcpy(frame.data() + luma, U, luma / 4);
        std::memcpy(frame.data() + luma + luma / 4, V, luma / 4);
        pictures++;
    }

    int64_t pictures = 0;

private:
    std::vector<ts::Bytes> m_pool { 20 };
    size_t m_next = 0;
};

void BM_DecodeBusySample(benchmark::State& state)
{
    const ts::Bytes packets = video_test::SamplePackets("motion.m2v", 0);
    CCopyingDisplay display;
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
