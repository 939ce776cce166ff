#pragma once
// Monotonic clocks: nanoseconds for the high-resolution counter (its frequency
// is 1,000,000,000) and 32-bit wrapping milliseconds for coarse time-outs.
#include <cstdint>

constexpr int64_t KRX_MONOTONIC_FREQUENCY = 1000000000;

int64_t GetMonotonicNanoseconds();
uint32_t GetMillisecondTime();
