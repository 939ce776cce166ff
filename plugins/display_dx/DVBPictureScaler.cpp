#include "DVBPictureScaler.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

CDVBPictureScaler::CDVBPictureScaler(Layout layout)
    : m_layout(layout)
{
}

CDVBPictureScaler::~CDVBPictureScaler()
{
    sws_freeContext(m_context);
}

void CDVBPictureScaler::SetColourSpace(const SDVBColourSpace& space)
{
    if (space == m_space)
        return;
    m_space = space;
    m_spaceApplied = false;
}

bool CDVBPictureScaler::Scale(const SDVBSurfacePlanes& picture, int width, int height, void* target, int targetPitch,
    int targetWidth, int targetHeight)
{
    if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0)
        return false;
    // The alpha formats: libswscale has SIMD output for them only, and the
    // window ignores the fourth byte.
    const AVPixelFormat format = m_layout == Layout::BGRX ? AV_PIX_FMT_BGRA : AV_PIX_FMT_RGBA;
    SwsContext* context = sws_getCachedContext(m_context, width, height, AV_PIX_FMT_YUV420P, targetWidth, targetHeight,
        format, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (context == nullptr)
        return false;
    if (context != m_context) {
        m_context = context;
        m_spaceApplied = false;
    }
    if (!m_spaceApplied) {
        const int* coefficients
            = sws_getCoefficients(m_space.matrix == DVBColourMatrix::BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601);
        // Brightness 0, contrast and saturation 1.0 in 16.16 fixed point; RGB is full range.
        sws_setColorspaceDetails(
            m_context, coefficients, m_space.fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16, 1 << 16);
        m_spaceApplied = true;
    }
    const uint8_t* const source[3] = { picture.Y, picture.U, picture.V };
    const int sourcePitch[3] = { picture.pitch, picture.pitch / 2, picture.pitch / 2 };
    uint8_t* const destination[1] = { static_cast<uint8_t*>(target) };
    const int destinationPitch[1] = { targetPitch };
    return sws_scale(m_context, source, sourcePitch, 0, height, destination, destinationPitch) == targetHeight;
}
