// Drives arbitrary PES payload through the video receiver and its H.264 or
// HEVC decoder into a display that copies every picture it is given, so that
// no stream can make the decoder hand over planes smaller than the size it
// announces, crash or hang. The first input byte chooses the codec and the
// payload: the rest of the input as it is, or the first access units of a
// sample (for H.264 a progressive or an interlaced one, which the
// deinterlacer filters) with the rest of the input as byte patches (3 bytes
// of offset, 1 of value), which reach deep into slice decoding.
#include "plugins/av_video/AVVideoTestSupport.h"

#include <cstdlib>
#include <vector>

namespace {

// The elementary stream of a sample's first access units.
ts::Bytes FirstUnits(const char* name, size_t count)
{
    const std::vector<AccessUnit> units = av_video_test::SampleUnits(name);
    if (units.size() < count)
        std::abort();
    ts::Bytes stream;
    for (size_t i = 0; i < count; i++)
        stream.insert(stream.end(), units[i].data.begin(), units[i].data.end());
    return stream;
}

const ts::Bytes& Sample(DVBVideoCodec codec, bool interlaced)
{
    static const ts::Bytes h264 = FirstUnits("h264_8bit.ts", 6);
    static const ts::Bytes h264Interlaced = FirstUnits("h264_interlaced.ts", 6);
    static const ts::Bytes hevc = FirstUnits("hevc_8bit.ts", 6);
    if (codec == DVBVideoCodec::HEVC)
        return hevc;
    return interlaced ? h264Interlaced : h264;
}

ts::Bytes Payload(DVBVideoCodec codec, const uint8_t* data, size_t size)
{
    if (!(data[0] & 2))
        return ts::Bytes(data + 1, data + size);
    ts::Bytes stream = Sample(codec, data[0] & 4);
    video_test::PatchBytes(stream, data + 1, size - 1);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const DVBVideoCodec codec = data[0] & 1 ? DVBVideoCodec::HEVC : DVBVideoCodec::H264;
    const ts::Bytes packets
        = video_test::FuzzPesPackets(Payload(codec, data, size), av_video_test::EndOfSequence(codec));

    video_test::CCopyingDisplay display;
    // One libavcodec thread: the same input always takes the same path.
    video_test::CInlineReceiver<CDVBAVVideoDecoder> receiver(codec, 1);
    receiver.SetDisplay(&display);
    receiver.Feed(packets);
    return 0;
}
