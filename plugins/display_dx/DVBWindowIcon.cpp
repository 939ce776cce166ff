#include "DVBWindowIcon.h"

std::vector<uint32_t> DVBDrawWindowIcon(int size)
{
    constexpr uint32_t CLEAR = 0x00000000;
    constexpr uint32_t CASE = 0xFF303038;
    constexpr uint32_t BARS[] = { 0xFFE8E8E8, 0xFFE8E800, 0xFF00E8E8, 0xFF00E800, 0xFFE800E8, 0xFFE80000, 0xFF0000E8 };
    std::vector<uint32_t> pixels(size_t(size) * size, CLEAR);
    const int edge = size / 8;
    const int standTop = size - size / 6;
    for (int y = edge; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint32_t& pixel = pixels[size_t(y) * size + x];
            if (y >= standTop) {
                // a stand under the middle of the set
                if (x >= size / 3 && x < size - size / 3)
                    pixel = CASE;
            } else if (x >= edge && x < size - edge && y >= 2 * edge && y < standTop - edge) {
                pixel = BARS[(x - edge) * 7 / (size - 2 * edge)];
            } else {
                pixel = CASE;
            }
        }
    }
    return pixels;
}
