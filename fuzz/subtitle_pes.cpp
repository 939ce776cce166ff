// Drives the subtitle receiver with arbitrary bytes: once as a collected PES
// buffer of exactly the input's size, once cut into transport packets; then
// lets the layer apply and paint what was queued, as the frame thread would.
#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"

#include "plugin/DVBDisplay.h"
#include "plugin/DVBDisplayLayer.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class OneLayerDisplay : public CDVBDisplay
{
public:
    bool AddDisplayLayer(CDVBDisplayLayer* layer) override
    {
        m_layer = layer;
        return true;
    }
    bool RemoveDisplayLayer(CDVBDisplayLayer*) override
    {
        m_layer = nullptr;
        return true;
    }
    void Draw(int64_t time)
    {
        static std::vector<unsigned char> y(720 * 576), u(360 * 288), v(360 * 288);
        if (m_layer)
            m_layer->DrawIntoFrame(720, 576, 720, y.data(), u.data(), v.data(), time);
    }

private:
    CDVBDisplayLayer* m_layer = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    static const bool initialised = [] {
        AddDefaultColourTable(BuildDefaultColourTable());
        return true;
    }();
    (void)initialised;

    OneLayerDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);

    std::unique_ptr<unsigned char[]> pes(new unsigned char[size ? size : 1]);
    std::memcpy(pes.get(), input, size);
    receiver.ParsePES(pes.get(), static_cast<unsigned long>(size));

    unsigned char packet[188];
    for (size_t at = 0; at + sizeof packet <= size; at += sizeof packet) {
        std::memcpy(packet, input + at, sizeof packet);
        receiver.OnReceivePacket(at / sizeof packet, packet);
    }
    for (int frame = 0; frame < 8 && receiver.GetQueuedCount() > 0; ++frame)
        display.Draw(int64_t(frame) * 3600);
    display.Draw(0);
    return 0;
}
