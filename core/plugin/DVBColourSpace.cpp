#include "plugin/DVBColourSpace.h"

namespace {
// Larger than this is HD.
constexpr int kStandardWidth = 720;
constexpr int kStandardHeight = 576;

enum MatrixCode {
    kBT709 = 1,
    kFCC = 4,
    kBT470BG = 5,
    kSMPTE170M = 6,
    kSMPTE240M = 7,
    kBT2020NonConstant = 9,
    kBT2020Constant = 10,
};
} // namespace

SDVBColourSpace DVBDeclaredColourSpace(int matrixCode, bool fullRange, int width, int height)
{
    SDVBColourSpace space;
    space.fullRange = fullRange;
    switch (matrixCode) {
    case kFCC:
    case kBT470BG:
    case kSMPTE170M:
        space.matrix = DVBColourMatrix::BT601;
        break;
    // SMPTE 240M is all but BT.709, and BT.2020 is nearer BT.709 than BT.601.
    case kBT709:
    case kSMPTE240M:
    case kBT2020NonConstant:
    case kBT2020Constant:
        space.matrix = DVBColourMatrix::BT709;
        break;
    default:
        const bool hd = width > kStandardWidth || height > kStandardHeight;
        space.matrix = hd ? DVBColourMatrix::BT709 : DVBColourMatrix::BT601;
        break;
    }
    return space;
}
