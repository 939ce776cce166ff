#pragma once
// The video window's icon, drawn rather than loaded so the module needs no
// files beside it: a television set with a coloured screen.
#include <cstddef>
#include <cstdint>
#include <vector>

// size x size pixels, 0xAARRGGBB, rows from the top.
std::vector<uint32_t> DVBDrawWindowIcon(int size);
