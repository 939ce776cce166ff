#pragma once
// Conversion of the decoder's fixed-point samples (signed 32 bits, 28 fraction
// bits, so 1.0 is 0x10000000) to little-endian PCM of 8, 16, 24 or 32 bits,
// by rounding or by noise-shaped dither, clipping to the representable range
// and counting what had to be clipped.
#include <cstdint>

using DVBFixed = int32_t;

constexpr DVBFixed DVB_FIXED_MAX = 0x0FFFFFFF;
constexpr DVBFixed DVB_FIXED_MIN = -0x10000000;

enum EDVBPCMMode { DVB_PCM_ROUND = 0, DVB_PCM_DITHER = 1 };

struct CDVBClipStatistics {
    uint32_t clippedSamples = 0;
    DVBFixed peakClipping = 0;
    DVBFixed peakSample = 0;
};

// The error-feedback terms and the random value of one channel's dither.
struct CDVBDitherState {
    DVBFixed error[3] = { 0, 0, 0 };
    uint32_t random = 0;
};

// Unity gain (16.16 fixed point): the samples pass unscaled.
constexpr uint32_t DVB_PCM_UNITY_GAIN = 0x10000;

// Converts count samples of one or two channels (second null for one) into
// destination, interleaved; returns the bytes written, 0 for an unknown mode.
// dither holds one state per channel. Each sample is first scaled by gain, at
// most unity, so the volume never adds clipping; the dither then hides the
// steps the scaling makes.
using DVBPCMConverter = unsigned long (*)(unsigned char* destination, unsigned long count, const DVBFixed* first,
    const DVBFixed* second, int mode, CDVBClipStatistics* statistics, CDVBDitherState* dither, uint32_t gain);

// The converter for 8, 16, 24 or 32 bits; null for any other width.
DVBPCMConverter GetPCMConverter(unsigned int bits);
