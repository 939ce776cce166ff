#include "PixelCodeStrings.h"
#include "BitWriter.h"

#include <algorithm>
#include <stdexcept>

namespace PixelCodeStrings {

namespace {

// Calls emit(code, length) for each run of equal codes.
template <typename Emit> void ForEachRun(const uint8_t* codes, size_t count, Emit emit)
{
    for (size_t i = 0; i < count;) {
        size_t j = i;
        while (j < count && codes[j] == codes[i])
            ++j;
        emit(codes[i], j - i);
        i = j;
    }
}

// One piece of a run in the 2-bit string; returns how many pixels it covered.
size_t PutTwoBitRun(BitWriter& bits, uint8_t code, size_t length)
{
    if (length >= 29) {
        size_t n = std::min<size_t>(length, 284);
        bits.Put(0, 2), bits.Put(0, 1), bits.Put(0, 1), bits.Put(3, 2), bits.Put(uint32_t(n - 29), 8);
        bits.Put(code, 2);
        return n;
    }
    if (length >= 12) {
        size_t n = std::min<size_t>(length, 27);
        bits.Put(0, 2), bits.Put(0, 1), bits.Put(0, 1), bits.Put(2, 2), bits.Put(uint32_t(n - 12), 4);
        bits.Put(code, 2);
        return n;
    }
    if (length >= 3) {
        size_t n = std::min<size_t>(length, 10);
        bits.Put(0, 2), bits.Put(1, 1), bits.Put(uint32_t(n - 3), 3), bits.Put(code, 2);
        return n;
    }
    if (code != 0) {
        bits.Put(code, 2);
        return 1;
    }
    if (length == 2) {
        bits.Put(0, 2), bits.Put(0, 1), bits.Put(0, 1), bits.Put(1, 2);
        return 2;
    }
    bits.Put(0, 2), bits.Put(0, 1), bits.Put(1, 1);
    return 1;
}

size_t PutFourBitRun(BitWriter& bits, uint8_t code, size_t length)
{
    if (length >= 25) {
        size_t n = std::min<size_t>(length, 280);
        bits.Put(0, 4), bits.Put(1, 1), bits.Put(1, 1), bits.Put(3, 2), bits.Put(uint32_t(n - 25), 8);
        bits.Put(code, 4);
        return n;
    }
    if (length >= 9) {
        size_t n = std::min<size_t>(length, 24);
        bits.Put(0, 4), bits.Put(1, 1), bits.Put(1, 1), bits.Put(2, 2), bits.Put(uint32_t(n - 9), 4);
        bits.Put(code, 4);
        return n;
    }
    if (code == 0 && length >= 3) {
        bits.Put(0, 4), bits.Put(0, 1), bits.Put(uint32_t(length - 2), 3);
        return length;
    }
    if (length >= 4) {
        size_t n = std::min<size_t>(length, 7);
        bits.Put(0, 4), bits.Put(1, 1), bits.Put(0, 1), bits.Put(uint32_t(n - 4), 2), bits.Put(code, 4);
        return n;
    }
    if (code != 0) {
        bits.Put(code, 4);
        return 1;
    }
    bits.Put(0, 4), bits.Put(1, 1), bits.Put(1, 1), bits.Put(uint32_t(length == 2 ? 1 : 0), 2);
    return length == 2 ? 2 : 1;
}

void CheckCodes(const uint8_t* codes, size_t count, uint8_t limit)
{
    if (std::any_of(codes, codes + count, [limit](uint8_t code) { return code > limit; }))
        throw std::invalid_argument("pixel code beyond the string's depth");
}

} // namespace

void AppendTwoBitLine(ts::Bytes& out, const uint8_t* codes, size_t count)
{
    CheckCodes(codes, count, 3);
    BitWriter bits;
    bits.Put(0x10, 8);
    ForEachRun(codes, count, [&](uint8_t code, size_t length) {
        while (length > 0)
            length -= PutTwoBitRun(bits, code, length);
    });
    bits.Put(0, 2), bits.Put(0, 1), bits.Put(0, 1), bits.Put(0, 2); // end of string
    bits.PadToByte();
    out.insert(out.end(), bits.Bytes().begin(), bits.Bytes().end());
}

void AppendFourBitLine(ts::Bytes& out, const uint8_t* codes, size_t count)
{
    CheckCodes(codes, count, 15);
    BitWriter bits;
    bits.Put(0x11, 8);
    ForEachRun(codes, count, [&](uint8_t code, size_t length) {
        while (length > 0)
            length -= PutFourBitRun(bits, code, length);
    });
    bits.Put(0, 4), bits.Put(0, 1), bits.Put(0, 3); // end of string
    bits.PadToByte();
    out.insert(out.end(), bits.Bytes().begin(), bits.Bytes().end());
}

void AppendEndOfLine(ts::Bytes& out)
{
    out.push_back(0xF0);
}

} // namespace PixelCodeStrings
