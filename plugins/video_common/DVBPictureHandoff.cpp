#include "DVBPictureHandoff.h"

#include "DVBAVFieldFilter.h"

#include "plugin/DVBDisplay.h"
#include "plugin/KRXDeinterlace.h"

#include <cstdint>
#include <numeric>

CDVBPictureHandoff::CDVBPictureHandoff()
    : CDVBPictureHandoff(std::make_unique<CDVBAVFieldFilter>())
{
}

CDVBPictureHandoff::CDVBPictureHandoff(std::unique_ptr<CDVBFieldFilter> filter)
    : m_deinterlacer(std::move(filter))
{
}

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

void CDVBPictureHandoff::SetColourSpace(const SDVBColourSpace& space)
{
    if (space == m_colourSpace)
        return;
    m_colourSpace = space;
    m_colourTold = nullptr;
}

void CDVBPictureHandoff::Deliver(CDVBDisplay* display, const SDVBPicture& picture)
{
    if (!display) {
        m_deinterlacer.Discard();
        return;
    }
    m_deinterlacer.Process(
        picture, CKRXDeinterlace::Get(), [this, display](const SDVBPicture& shown) { Show(display, shown); });
}

void CDVBPictureHandoff::Finish(CDVBDisplay* display)
{
    if (!display) {
        m_deinterlacer.Discard();
        return;
    }
    m_deinterlacer.Finish([this, display](const SDVBPicture& shown) { Show(display, shown); });
}

void CDVBPictureHandoff::Discard()
{
    m_deinterlacer.Discard();
}

void CDVBPictureHandoff::Show(CDVBDisplay* display, const SDVBPicture& picture)
{
    if (display != m_aspectTold) {
        display->SetDisplayAspectRatio(m_aspectNumerator, m_aspectDenominator);
        m_aspectTold = display;
    }
    if (display != m_colourTold) {
        display->SetColourSpace(m_colourSpace);
        m_colourTold = display;
    }
    display->OnFrame(picture.width, picture.height, picture.Y, picture.U, picture.V, picture.time);
}
