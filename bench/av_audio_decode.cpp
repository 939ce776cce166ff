// The decode path of the libavcodec sound decoder: transport packets of each
// committed sample through the receiver, parser, decoder, downmix and 16-bit
// dither converter into an in-memory device. "realtime" is seconds of sound
// decoded per second of run time; compare it with ffmpeg decoding the same
// sample to nothing (ffmpeg -i sample -ac 2 -f null -, its "speed").
#include "SynchronousAVAudioReceiver.h"
#include "WaveTestSupport.h"

#include <benchmark/benchmark.h>

namespace {

struct SSample {
    const char* name;
    AVCodecID codec;
    // PES packets as broadcasters send them: a few frames each.
    size_t pesBytes;
};
constexpr SSample kSamples[] = {
    { "aac_lc_48k.aac", AV_CODEC_ID_AAC, 1600 },
    { "aac_latm_48k.latm", AV_CODEC_ID_AAC_LATM, 1600 },
    { "ac3_stereo_48k.ac3", AV_CODEC_ID_AC3, 3 * 768 },
    { "eac3_5.1_48k.eac3", AV_CODEC_ID_EAC3, 3 * 1536 },
};
constexpr double kSampleSeconds = 2;

void DecodePath(benchmark::State& state)
{
    const SSample& sample = kSamples[state.range(0)];
    const ts::Bytes packets = MakeAudioPackets(LoadAudioSample(sample.name), sample.pesBytes, 2880);
    for (auto _ : state) {
        CSynchronousAVAudioReceiver receiver(sample.codec);
        receiver.Play(packets);
    }
    state.SetLabel(sample.name);
    state.counters["realtime"]
        = benchmark::Counter(kSampleSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DecodePath)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
