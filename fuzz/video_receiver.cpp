// Drives arbitrary PES payload through the video receiver and its libmpeg2
// decoder into a display that copies every picture it is given, so that no
// stream can make the decoder hand over planes smaller than the size it
// announces, crash or hang. The first input byte chooses the payload:
// the rest of the input as it is, or the first pictures of a 720x576 or a
// 1920x1080 sequence, or of an interlaced sequence followed by a progressive
// one (which the deinterlacer filters, then passes), from the samples with the
// rest of the input as byte patches (3 bytes of offset, 1 of value), which
// reach deep into picture and slice decoding.
#include "DVBVideoDecoderState.h"
#include "plugins/video/VideoReceiverHarness.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The bytes of a sample from its first sequence header of the given width up
// to its `count`-th picture after it.
ts::Bytes FirstPicturesOfWidth(const ts::Bytes& stream, unsigned width, int count)
{
    size_t start = SIZE_MAX;
    int pictures = 0;
    for (size_t i = 0; i + 5 < stream.size(); i++) {
        if (stream[i] != 0 || stream[i + 1] != 0 || stream[i + 2] != 1)
            continue;
        if (start == SIZE_MAX && stream[i + 3] == 0xB3 && (unsigned(stream[i + 4]) << 4 | stream[i + 5] >> 4) == width)
            start = i;
        else if (start != SIZE_MAX && stream[i + 3] == 0x00 && ++pictures == count + 1)
            return ts::Bytes(stream.begin() + long(start), stream.begin() + long(i));
    }
    std::abort();
}

ts::Bytes ReadSample(const char* name)
{
    std::ifstream file(std::string(KRX_VIDEO_SAMPLES "/") + name, std::ios::binary);
    const ts::Bytes sample((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (sample.empty())
        std::abort();
    return sample;
}

const std::vector<ts::Bytes>& Samples()
{
    static const std::vector<ts::Bytes> samples = [] {
        const ts::Bytes sizes = ReadSample("size_change.m2v");
        return std::vector<ts::Bytes> { FirstPicturesOfWidth(sizes, 720, 4), FirstPicturesOfWidth(sizes, 1920, 2),
            FirstPicturesOfWidth(ReadSample("interlace_switch.m2v"), 352, 6) };
    }();
    return samples;
}

ts::Bytes Payload(const uint8_t* data, size_t size)
{
    const unsigned choice = data[0] % 4;
    if (choice == 0)
        return ts::Bytes(data + 1, data + size);
    ts::Bytes stream = Samples()[choice - 1];
    video_test::PatchBytes(stream, data + 1, size - 1);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // Sequence end codes give up the picture held back.
    const ts::Bytes packets
        = video_test::FuzzPesPackets(Payload(data, size), { 0x00, 0x00, 0x01, 0xB7, 0x00, 0x00, 0x01, 0xB7 });

    video_test::CCopyingDisplay display;
    video_test::CInlineReceiver<CDVBVideoDecoderState> receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(packets);
    return 0;
}
