#include "DVBSDLRendererPainter.h"

#include "DVBLetterbox.h"

namespace {
SDL_YUV_CONVERSION_MODE ConversionOf(const SDVBColourSpace& space)
{
    // SDL has no full range BT.709: full range BT.601 is nearer than studio range BT.709.
    if (space.fullRange)
        return SDL_YUV_CONVERSION_JPEG;
    return space.matrix == DVBColourMatrix::BT709 ? SDL_YUV_CONVERSION_BT709 : SDL_YUV_CONVERSION_BT601;
}
} // namespace

CDVBSDLRendererPainter::CDVBSDLRendererPainter(SDL_Window* window, int index)
    : m_renderer(SDL_CreateRenderer(window, index, 0))
{
}

CDVBSDLRendererPainter::~CDVBSDLRendererPainter()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
}

bool CDVBSDLRendererPainter::Create(int width, int height, CString& error)
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    // Even sizes keep each chroma row exactly half a luma row; the odd
    // column or row is left out when the picture is drawn. The OpenGL
    // renderer picks its conversion when the texture is made.
    ApplyColourSpace();
    m_texture = SDL_CreateTexture(
        m_renderer, SDL_PIXELFORMAT_YV12, SDL_TEXTUREACCESS_STREAMING, width + (width & 1), height + (height & 1));
    if (!m_texture) {
        error = CString("Failed to allocate the picture texture. ") + SDL_GetError();
        return false;
    }
    SDL_SetTextureScaleMode(m_texture, SDL_ScaleModeLinear);
    m_pictureWidth = width;
    m_pictureHeight = height;
    return true;
}

bool CDVBSDLRendererPainter::Lock(SDVBSurfacePlanes& planes)
{
    void* pixels = nullptr;
    int pitch = 0;
    // A renderer without YUV textures converts the picture when it is unlocked.
    ApplyColourSpace();
    if (!m_texture || SDL_LockTexture(m_texture, nullptr, &pixels, &pitch) != 0)
        return false;
    // YV12 is Y, then V, then U, each chroma plane at half the pitch.
    const int height = m_pictureHeight + (m_pictureHeight & 1);
    planes.pitch = pitch;
    planes.Y = static_cast<unsigned char*>(pixels);
    planes.V = planes.Y + size_t(pitch) * height;
    planes.U = planes.V + size_t(pitch / 2) * (height / 2);
    return true;
}

void CDVBSDLRendererPainter::Unlock()
{
    SDL_UnlockTexture(m_texture);
}

void CDVBSDLRendererPainter::SetColourSpace(const SDVBColourSpace& space)
{
    const SDL_YUV_CONVERSION_MODE conversion = ConversionOf(space);
    if (conversion == m_conversion)
        return;
    m_conversion = conversion;
    // A texture that cannot be made again leaves none: nothing is drawn then.
    CString error;
    if (m_texture)
        Create(m_pictureWidth, m_pictureHeight, error);
}

void CDVBSDLRendererPainter::Draw(unsigned overlayColour, int aspectNumerator, int aspectDenominator)
{
    SDL_SetRenderDrawColor(
        m_renderer, overlayColour & 0xFF, (overlayColour >> 8) & 0xFF, (overlayColour >> 16) & 0xFF, 0xFF);
    SDL_RenderClear(m_renderer);
    if (m_texture) {
        ApplyColourSpace();
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(m_renderer, &width, &height);
        const SDVBRect area = DVBLetterbox(width, height, aspectNumerator, aspectDenominator);
        const SDL_Rect source { 0, 0, m_pictureWidth, m_pictureHeight };
        const SDL_Rect target { area.x, area.y, area.width, area.height };
        SDL_RenderCopy(m_renderer, m_texture, &source, &target);
    }
    SDL_RenderPresent(m_renderer);
}

bool CDVBSDLRendererPainter::ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height)
{
    if (SDL_GetRendererOutputSize(m_renderer, &width, &height) != 0)
        return false;
    pixels.resize(size_t(width) * height);
    return SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4) == 0;
}

void CDVBSDLRendererPainter::ApplyColourSpace() const
{
    SDL_SetYUVConversionMode(m_conversion);
}
