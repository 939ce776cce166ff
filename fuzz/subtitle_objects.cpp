// Decodes arbitrary bytes as object pixel data (the first four bytes give the
// field lengths) and as colour table entries, each from a buffer of exactly
// the bytes it may read.
#include "DVBCLUTEntry.h"
#include "DVBPixelDataDecoder.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    if (size < 4)
        return 0;
    const uint16_t top = uint16_t(input[0] << 8 | input[1]);
    const uint16_t bottom = uint16_t(input[2] << 8 | input[3]);
    std::unique_ptr<unsigned char[]> data(new unsigned char[size - 4 ? size - 4 : 1]);
    std::memcpy(data.get(), input + 4, size - 4);

    CDVBMemoryReader reader(data.get(), size - 4);
    CDVBPixelDataDecoder decoder;
    decoder.Decode(reader, top, bottom);
    const std::vector<uint8_t> pixels = decoder.CopyPixels();
    if (decoder.GetWidth() > DVB_SUBTITLE_WIDTH || decoder.GetHeight() > DVB_SUBTITLE_HEIGHT)
        __builtin_trap();
    if (!pixels.empty() && pixels.size() != size_t(decoder.GetWidth()) * decoder.GetHeight())
        __builtin_trap();

    CDVBMemoryReader entries(data.get(), size - 4);
    CDVBCLUTEntry entry;
    while (entry.Read(entries)) {
        if (!entry.fullRange && ((entry.y & 3) || (entry.cr & 15) || (entry.cb & 15) || (entry.t & 63)))
            __builtin_trap();
    }
    return 0;
}
