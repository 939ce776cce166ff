#include "DVBLetterbox.h"

#include <cstdint>

SDVBRect DVBLetterbox(int areaWidth, int areaHeight, int aspectNumerator, int aspectDenominator)
{
    if (aspectNumerator <= 0 || aspectDenominator <= 0)
        return { 0, 0, areaWidth, areaHeight };
    // Rounded to the nearest pixel, so that a matching shape leaves no border.
    const int64_t fittedWidth
        = (int64_t(areaHeight) * aspectNumerator * 2 + aspectDenominator) / (2 * int64_t(aspectDenominator));
    if (fittedWidth <= areaWidth)
        return { int((areaWidth - fittedWidth) / 2), 0, int(fittedWidth), areaHeight };
    const int64_t fittedHeight
        = (int64_t(areaWidth) * aspectDenominator * 2 + aspectNumerator) / (2 * int64_t(aspectNumerator));
    return { 0, int((areaHeight - fittedHeight) / 2), areaWidth, int(fittedHeight) };
}
