// The decode path: transport packets of a 48 kHz stereo 192 kbit/s Layer II
// sample through the audio receiver, the decoder and the 16-bit dither
// converter into an in-memory device. "realtime" is seconds of sound decoded
// per second of run time; compare it with madplay decoding the same sample
// to nothing (madplay -Q -o null:/dev/null sample.mp2, timed).
#include "AudioTestSupport.h"
#include "SynchronousAudioReceiver.h"

#include <benchmark/benchmark.h>

namespace {

void DecodePath(benchmark::State& state)
{
    const ts::Bytes sample = LoadAudioSample("stereo_48k_192k.mp2");
    const size_t frames = SplitFrames(sample).size();
    // PES packets of four frames (2,304 bytes), as broadcasters send them.
    const ts::Bytes packets = MakeAudioPackets(sample, 4 * 576, 4 * 2160);
    for (auto _ : state) {
        CSynchronousAudioReceiver receiver;
        receiver.Play(packets);
    }
    const double seconds = double(frames) * 1152 / 48000;
    state.counters["realtime"] = benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DecodePath)->Unit(benchmark::kMillisecond);

} // namespace
