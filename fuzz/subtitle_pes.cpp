// Drives the subtitle receiver with arbitrary bytes: once as a collected PES
// buffer of exactly the input's size, once cut into transport packets; then
// takes what was queued off the queue. (Drawing is fuzzed with the segments.)
#include "DVBSubtitleReceiver.h"

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
    while (receiver.TakeNextDisplaySet(0)) { }
    return 0;
}
