// Arbitrary bytes as the payload of time-stamped PES packets, through the
// libavcodec sound receiver, its parser, decoder, downmix and the 16-bit
// dither converter into an in-memory device: no input may crash it, make it
// read or write out of bounds, or keep it from ending. The first input byte
// chooses the codec (AAC, AAC LATM, AC-3, E-AC-3) and the payload: the rest
// of the input as it is, or the first frames of that codec's sample with the
// rest of the input as byte patches (3 bytes of offset, 1 of value), which
// reach deep into frame decoding.
#include "SynchronousAVAudioReceiver.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

struct SCodecSample {
    AVCodecID codec;
    const char* name;
};
constexpr SCodecSample kCodecs[] = {
    { AV_CODEC_ID_AAC, "aac_lc_48k.aac" },
    { AV_CODEC_ID_AAC_LATM, "aac_latm_48k.latm" },
    { AV_CODEC_ID_AC3, "ac3_stereo_48k.ac3" },
    { AV_CODEC_ID_EAC3, "eac3_5.1_48k.eac3" },
};
// A few frames of each codec.
constexpr size_t kSampleBytes = 6000;

const ts::Bytes& SampleStart(size_t codec)
{
    static const std::vector<ts::Bytes> starts = [] {
        std::vector<ts::Bytes> loaded;
        for (const SCodecSample& sample : kCodecs) {
            std::ifstream file(std::string(KRX_AUDIO_SAMPLES "/") + sample.name, std::ios::binary);
            ts::Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            if (bytes.size() < kSampleBytes)
                std::abort();
            bytes.resize(kSampleBytes);
            loaded.push_back(bytes);
        }
        return loaded;
    }();
    return starts[codec];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Damaged input makes the decoders talk: the messages would cost more than the decoding.
    av_log_set_level(AV_LOG_QUIET);
    if (size == 0)
        return 0;
    const size_t codec = data[0] & 3;
    ts::Bytes payload;
    if (data[0] & 4) {
        payload = SampleStart(codec);
        for (size_t i = 1; i + 4 <= size; i += 4)
            payload[(size_t(data[i]) << 16 | size_t(data[i + 1]) << 8 | data[i + 2]) % payload.size()] = data[i + 3];
    } else {
        payload.assign(data + 1, data + size);
    }
    CSynchronousAVAudioReceiver receiver(kCodecs[codec].codec);
    receiver.Play(MakeAudioPackets(payload, 2000, 2880));
    return 0;
}
