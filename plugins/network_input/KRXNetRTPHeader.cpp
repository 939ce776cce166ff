#include "KRXNetRTPHeader.h"

namespace {
constexpr size_t kFixedSize = 12;

uint32_t Read32(const uint8_t* data)
{
    return uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
}
} // namespace

bool ParseRTPHeader(const uint8_t* data, size_t size, KRXNetRTPHeader& header)
{
    if (size < kFixedSize || (data[0] >> 6) != 2)
        return false;
    const bool padding = data[0] & 0x20;
    const bool extension = data[0] & 0x10;
    size_t offset = kFixedSize + 4 * size_t(data[0] & 0x0F);
    if (extension) {
        if (offset + 4 > size)
            return false;
        offset += 4 + 4 * size_t(uint16_t(data[offset + 2] << 8 | data[offset + 3]));
    }
    size_t end = size;
    if (padding) {
        const size_t pad = data[size - 1];
        if (pad == 0 || pad > size)
            return false;
        end -= pad;
    }
    if (offset > end)
        return false;
    header.payloadType = data[1] & 0x7F;
    header.sequence = uint16_t(data[2] << 8 | data[3]);
    header.timestamp = Read32(data + 4);
    header.ssrc = Read32(data + 8);
    header.payloadOffset = offset;
    header.payloadSize = end - offset;
    return true;
}
