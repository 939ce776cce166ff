// Arbitrary bytes as a DVB text: decoding must give valid UTF-8 whatever the
// table selector and the bytes after it, and the display and export
// formatting of the result must keep it valid.
#include "platform/UTF8.h"
#include "si/DVBSICollector.h"
#include "si/DVBSchedule.h"
#include "si/DVBText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void RequireValidUTF8(const CString& text)
{
    for (size_t i = 0; i < text.size();) {
        const UTF8Sequence sequence = ReadUTF8Sequence(text.data() + i, text.size() - i);
        if (sequence.status != UTF8Sequence::VALID)
            std::abort();
        i += sequence.length;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CString raw(reinterpret_cast<const char*>(data), size);
    const CString text = DVBTextToUTF8(raw);
    RequireValidUTF8(text);
    CString display;
    CDVBSchedule::ReformatDescription(text, display);
    RequireValidUTF8(display);
    RequireValidUTF8(CDVBSICollector::XMLText(raw));
    return 0;
}
