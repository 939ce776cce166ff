#include "DVBFramebufferPainter.h"


namespace {
// The scaler's name for the window's layout in memory, if it has one.
bool LayoutOf(Uint32 format, CDVBPictureScaler::Layout& layout)
{
    if constexpr (SDL_BYTEORDER != SDL_LIL_ENDIAN)
        return false;
    switch (format) {
    case SDL_PIXELFORMAT_RGB888:
    case SDL_PIXELFORMAT_ARGB8888:
        layout = CDVBPictureScaler::Layout::BGRX;
        return true;
    case SDL_PIXELFORMAT_BGR888:
    case SDL_PIXELFORMAT_ABGR8888:
        layout = CDVBPictureScaler::Layout::RGBX;
        return true;
    default:
        return false;
    }
}

// The window outside the area, in the colour.
void FillAround(SDL_Surface* window, const SDVBRect& area, Uint32 colour)
{
    const int right = area.x + area.width;
    const int bottom = area.y + area.height;
    const SDL_Rect bars[4] = { { 0, 0, window->w, area.y }, { 0, bottom, window->w, window->h - bottom },
        { 0, area.y, area.x, area.height }, { right, area.y, window->w - right, area.height } };
    for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0)
            SDL_FillRect(window, &bar, colour);
    }
}
} // namespace

CDVBFramebufferPainter::CDVBFramebufferPainter(SDL_Window* window)
    : m_window(window)
{
    CDVBPictureScaler::Layout layout;
    if (SDL_Surface* surface = SDL_GetWindowSurface(window); surface && LayoutOf(surface->format->format, layout))
        m_scaler = std::make_unique<CDVBPictureScaler>(layout);
}

bool CDVBFramebufferPainter::Create(int width, int height, CString&)
{
    m_picture.SetSize(width, height);
    return true;
}

bool CDVBFramebufferPainter::Lock(SDVBSurfacePlanes& planes)
{
    if (m_picture.GetWidth() == 0)
        return false;
    planes = m_picture.GetPlanes();
    return true;
}

void CDVBFramebufferPainter::SetColourSpace(const SDVBColourSpace& space)
{
    m_scaler->SetColourSpace(space);
}

void CDVBFramebufferPainter::Draw(unsigned overlayColour, int aspectNumerator, int aspectDenominator)
{
    // SDL makes the surface again after the window changed size.
    SDL_Surface* window = SDL_GetWindowSurface(m_window);
    if (window == nullptr)
        return;
    const Uint32 colour
        = SDL_MapRGB(window->format, overlayColour & 0xFF, (overlayColour >> 8) & 0xFF, (overlayColour >> 16) & 0xFF);
    SDVBRect area = DVBLetterbox(window->w, window->h, aspectNumerator, aspectDenominator);
    // libswscale converts an odd width in C, four times slower than its SIMD
    // does an even one: the odd column goes to the bar.
    area.width &= ~1;
    FillAround(window, area, colour);
    if (!DrawPicture(window, area)) {
        const SDL_Rect whole { area.x, area.y, area.width, area.height };
        SDL_FillRect(window, &whole, colour);
    }
    SDL_UpdateWindowSurface(m_window);
}

bool CDVBFramebufferPainter::DrawPicture(SDL_Surface* window, const SDVBRect& area)
{
    if (m_picture.GetWidth() == 0 || area.width <= 0 || area.height <= 0)
        return false;
    unsigned char* corner = static_cast<unsigned char*>(window->pixels) + ptrdiff_t(area.y) * window->pitch
        + ptrdiff_t(area.x) * window->format->BytesPerPixel;
    return m_scaler->Scale(m_picture.GetPlanes(), m_picture.GetWidth(), m_picture.GetHeight(), corner, window->pitch,
        area.width, area.height);
}

bool CDVBFramebufferPainter::ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height)
{
    SDL_Surface* window = SDL_GetWindowSurface(m_window);
    if (window == nullptr)
        return false;
    width = window->w;
    height = window->h;
    pixels.resize(size_t(width) * height);
    return SDL_ConvertPixels(width, height, window->format->format, window->pixels, window->pitch,
               SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4)
        == 0;
}
