// Drives a teletext receiver that only keeps pages, with libzvbi behind it,
// with arbitrary bytes: once as a collected PES of exactly the input's size,
// once cut into transport packets, once as the packets of well-formed data
// units. Formatting a page scans every cell for links and costs far more than
// decoding, so this target only decodes, fast enough for long campaigns;
// fuzz_teletext_pes formats and paints. The receiver lives across inputs, as
// on air: its decoder's page limit keeps memory bounded. The limit is
// smaller than on air: libzvbi looks each header's page up among all those
// kept under its number, and with thousands of subpages that look-up took
// nine tenths of the time.
#include "TeletextFuzzInput.h"

#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr size_t PAGE_LIMIT = 100;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    static CDVBTeletextReceiver receiver(nullptr, std::make_unique<CDVBZVBITeletextDecoder>(PAGE_LIMIT), 0);
    static const bool listening = [] {
        receiver.SetPageListener([](int number, int) {
            if (number < 0x100 || number > 0x8FF)
                __builtin_trap();
        });
        return true;
    }();
    (void)listening;
    FeedTeletextInput(receiver, input, size);
    return 0;
}
