// Drives a teletext receiver of subtitle page 888, with libzvbi behind it and
// its layer on a display, with arbitrary bytes: once as a collected PES of
// exactly the input's size, once cut into transport packets, once as the
// 42-byte packets of well-formed data units; then draws a frame, so that
// whatever page came is painted. The receiver lives across inputs, as on air:
// its decoder's page limit keeps memory bounded.
#include "TeletextFuzzInput.h"

#include "DVBTeletextLayer.h"
#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"

#include "plugin/DVBDisplay.h"
#include "plugin/DVBDisplayLayer.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Keeps the layer and draws it on demand.
class DrawingDisplay : public CDVBDisplay
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
    void Draw()
    {
        static std::vector<unsigned char> y(720 * 576), u(360 * 288), v(360 * 288);
        if (m_layer)
            m_layer->DrawIntoFrame(720, 576, 720, y.data(), u.data(), v.data(), 0);
    }

private:
    CDVBDisplayLayer* m_layer = nullptr;
};

// Painting costs each run far more than decoding: longer inputs only paint
// more pages, and fuzz_teletext_data_units decodes them without painting.
constexpr size_t INPUT_LIMIT = 2048;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    static DrawingDisplay display;
    static CDVBTeletextReceiver receiver(nullptr, std::make_unique<CDVBZVBITeletextDecoder>(), 0x888);
    static const bool attached = receiver.SetDisplay(&display);
    (void)attached;
    if (size > INPUT_LIMIT)
        return 0;
    FeedTeletextInput(receiver, input, size);

    display.Draw();
    while (receiver.TakeNextCaption(0)) { }
    return 0;
}
