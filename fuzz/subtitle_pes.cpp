// Drives the subtitle receiver with arbitrary bytes: once as a collected PES
// buffer of exactly the input's size, once cut into transport packets; then
// takes what was queued off the queue; then once wrapped in a well-formed PES
// whose payload starts with a display definition made from the bytes in front.
// (Drawing is fuzzed with the segments.)
#include "DVBSubtitleReceiver.h"
#include "SubtitleFuzzInput.h"

#include "plugin/DVBDisplay.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// Accepts the layer, so that the receiver queues display sets for it.
class LayerTakingDisplay : public CDVBDisplay
{
public:
    bool AddDisplayLayer(CDVBDisplayLayer*) override { return true; }
    bool RemoveDisplayLayer(CDVBDisplayLayer*) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    // One receiver for all inputs (its 64 KB collector is costly to make);
    // a payload-less packet that starts a unit empties its collector.
    static LayerTakingDisplay display;
    static CDVBSubtitleReceiver receiver(nullptr);
    static const bool attached = receiver.SetDisplay(&display);
    (void)attached;
    unsigned char packet[188] = { 0x47, 0x40, 0x00, 0x20, 183 };
    receiver.OnReceivePacket(0, packet);

    std::unique_ptr<unsigned char[]> pes(new unsigned char[size ? size : 1]);
    std::memcpy(pes.get(), input, size);
    receiver.ParsePES(pes.get(), static_cast<unsigned long>(size));

    for (size_t at = 0; at + sizeof packet <= size; at += sizeof packet) {
        std::memcpy(packet, input + at, sizeof packet);
        receiver.OnReceivePacket(at / sizeof packet, packet);
    }
    // Private stream 1 with a PTS; the payload is cut to what the length field can say.
    std::vector<unsigned char> wrapped { 0x00, 0x00, 0x01, 0xBD, 0x00, 0x00, 0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00,
        0x01 };
    const std::vector<unsigned char> payload = PayloadWithDisplayDefinition(input, size);
    wrapped.insert(wrapped.end(), payload.begin(), payload.begin() + long(std::min<size_t>(payload.size(), 0xFFF0)));
    const size_t length = wrapped.size() - 6;
    wrapped[4] = uint8_t(length >> 8);
    wrapped[5] = uint8_t(length);
    receiver.ParsePES(wrapped.data(), static_cast<unsigned long>(wrapped.size()));

    while (receiver.TakeNextDisplaySet(0)) { }
    return 0;
}
