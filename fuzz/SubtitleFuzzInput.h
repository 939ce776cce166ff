#pragma once
// Turns fuzz input into a subtitle PES payload that starts with a display
// definition, so that every run reaches its parsing and the display it sets:
// the first byte gives the definition's body length (0 to 13, cut and whole
// windows among them), the next bytes its body, the rest the segments after it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<unsigned char> PayloadWithDisplayDefinition(const uint8_t* input, size_t size)
{
    const size_t length = size == 0 ? 0 : std::min<size_t>(input[0] % 14, size - 1);
    std::vector<unsigned char> payload { 0x20, 0x00, 0x0F, 0x14, 0x00, 0x01, 0x00, uint8_t(length) };
    if (size > 0)
        payload.insert(payload.end(), input + 1, input + size);
    return payload;
}
