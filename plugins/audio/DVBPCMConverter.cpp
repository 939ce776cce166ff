#include "DVBPCMConverter.h"

namespace {

// Clips value to the fixed-point range, keeping the statistics; samples
// within the peak seen so far skip both comparisons.
inline int64_t Clip(int64_t value, CDVBClipStatistics& statistics)
{
    if (value >= statistics.peakSample) {
        if (value > DVB_FIXED_MAX) {
            statistics.clippedSamples++;
            if (value - DVB_FIXED_MAX > statistics.peakClipping)
                statistics.peakClipping = static_cast<DVBFixed>(value - DVB_FIXED_MAX);
            value = DVB_FIXED_MAX;
        }
        statistics.peakSample = static_cast<DVBFixed>(value);
    } else if (value < -int64_t(statistics.peakSample)) {
        if (value < DVB_FIXED_MIN) {
            statistics.clippedSamples++;
            if (DVB_FIXED_MIN - value > statistics.peakClipping)
                statistics.peakClipping = static_cast<DVBFixed>(DVB_FIXED_MIN - value);
            value = DVB_FIXED_MIN;
        }
        statistics.peakSample = static_cast<DVBFixed>(-value);
    }
    return value;
}

inline long RoundSample(unsigned int bits, DVBFixed sample, CDVBClipStatistics& statistics)
{
    const int64_t value = Clip(int64_t(sample) + (int64_t(1) << (28 - bits)), statistics);
    return static_cast<long>(value >> (29 - bits));
}

inline long DitherSample(unsigned int bits, DVBFixed sample, CDVBDitherState& dither, CDVBClipStatistics& statistics)
{
    // Noise shaping: the quantisation errors of the last three samples feed back.
    int64_t shaped = int64_t(sample) + dither.error[0] - dither.error[1] + dither.error[2];
    dither.error[2] = dither.error[1];
    dither.error[1] = dither.error[0] / 2;

    const unsigned int scaleBits = 29 - bits;
    const int64_t mask = (int64_t(1) << scaleBits) - 1;
    int64_t output = shaped + (int64_t(1) << (28 - bits));
    const uint32_t random = dither.random * 0x0019660Du + 0x3C6EF35Fu;
    output += (random & mask) - (dither.random & mask);
    dither.random = random;

    const int64_t clipped = Clip(output, statistics);
    if (clipped != output)
        shaped = clipped > output ? (shaped < DVB_FIXED_MIN ? DVB_FIXED_MIN : shaped)
                                  : (shaped > DVB_FIXED_MAX ? DVB_FIXED_MAX : shaped);
    output = clipped & ~mask;
    dither.error[0] = static_cast<DVBFixed>(shaped - output);
    return static_cast<long>(output >> scaleBits);
}

// Rounds to nearest; a gain of unity gives the sample back exactly.
inline DVBFixed Scale(DVBFixed sample, uint32_t gain)
{
    return static_cast<DVBFixed>((int64_t(sample) * gain + (DVB_PCM_UNITY_GAIN >> 1)) >> 16);
}

// Writes the low bytes of value, low byte first.
inline unsigned char* PutLittleEndian(unsigned char* at, long value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        *at++ = static_cast<unsigned char>(value >> (8 * i));
    return at;
}

// Bits is the quantisation width; the 32-bit form writes a zero byte below a
// 24-bit sample. The mode is chosen once per frame, not per sample.
template <unsigned int Bits, int Bytes, bool ZeroLowByte, class Quantiser>
unsigned long ConvertWith(
    unsigned char* destination, unsigned long count, const DVBFixed* first, const DVBFixed* second, Quantiser quantise)
{
    const int channels = second ? 2 : 1;
    const DVBFixed* samples[2] = { first, second };
    unsigned char* at = destination;
    for (unsigned long i = 0; i < count; i++) {
        for (int channel = 0; channel < channels; channel++) {
            long value = quantise(samples[channel][i], channel);
            if (Bits == 8)
                value -= 128;
            if (ZeroLowByte)
                *at++ = 0;
            at = PutLittleEndian(at, value, Bytes);
        }
    }
    return static_cast<unsigned long>(at - destination);
}

template <unsigned int Bits, int Bytes, bool ZeroLowByte = false>
unsigned long Convert(unsigned char* destination, unsigned long count, const DVBFixed* first, const DVBFixed* second,
    int mode, CDVBClipStatistics* statistics, CDVBDitherState* dither, uint32_t gain)
{
    CDVBClipStatistics& clip = *statistics;
    if (gain > DVB_PCM_UNITY_GAIN)
        gain = DVB_PCM_UNITY_GAIN;
    if (mode == DVB_PCM_DITHER)
        return ConvertWith<Bits, Bytes, ZeroLowByte>(
            destination, count, first, second, [&](DVBFixed sample, int channel) {
                return DitherSample(Bits, Scale(sample, gain), dither[channel], clip);
            });
    if (mode == DVB_PCM_ROUND)
        return ConvertWith<Bits, Bytes, ZeroLowByte>(destination, count, first, second,
            [&](DVBFixed sample, int) { return RoundSample(Bits, Scale(sample, gain), clip); });
    return 0;
}

} // namespace

DVBPCMConverter GetPCMConverter(unsigned int bits)
{
    switch (bits) {
    case 8:
        return Convert<8, 1>;
    case 16:
        return Convert<16, 2>;
    case 24:
        return Convert<24, 3>;
    case 32:
        return Convert<24, 3, true>;
    default:
        return nullptr;
    }
}
