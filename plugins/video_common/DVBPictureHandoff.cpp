#include "DVBPictureHandoff.h"

#include "plugin/DVBDisplay.h"

#include <cstdint>
#include <numeric>

void CDVBPictureHandoff::SetShape(uint64_t across, uint64_t down)
{
    const uint64_t divisor = across && down ? std::gcd(across, down) : 0;
    if (divisor && across / divisor <= INT32_MAX && down / divisor <= INT32_MAX) {
        m_aspectNumerator = static_cast<int>(across / divisor);
        m_aspectDenominator = static_cast<int>(down / divisor);
    } else {
        m_aspectNumerator = m_aspectDenominator = 0;
    }
    m_aspectTold = nullptr;
}

void CDVBPictureHandoff::Deliver(CDVBDisplay* display, int width, int height, const unsigned char* Y,
    const unsigned char* U, const unsigned char* V, int64_t time)
{
    if (!display)
        return;
    if (display != m_aspectTold) {
        display->SetDisplayAspectRatio(m_aspectNumerator, m_aspectDenominator);
        m_aspectTold = display;
    }
    display->OnFrame(width, height, Y, U, V, time);
}
