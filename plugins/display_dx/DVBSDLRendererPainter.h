#pragma once
// Pictures drawn through an SDL renderer (the GPU's, or one the user names):
// a YV12 streaming texture scaled bilinear into the window. SDL has one YUV
// conversion for the whole process, so it is set before each use.
#include "DVBWindowPainter.h"

#include <SDL.h>

class CDVBSDLRendererPainter : public CDVBWindowPainter
{
public:
    // index: the renderer to make, -1 for SDL's first choice.
    CDVBSDLRendererPainter(SDL_Window* window, int index);
    ~CDVBSDLRendererPainter() override;
    CDVBSDLRendererPainter(const CDVBSDLRendererPainter&) = delete;
    CDVBSDLRendererPainter& operator=(const CDVBSDLRendererPainter&) = delete;

    // False when SDL could make no renderer for the window.
    bool IsReady() const { return m_renderer != nullptr; }

    bool Create(int width, int height, CString& error) override;
    bool Lock(SDVBSurfacePlanes& planes) override;
    void Unlock() override;
    void SetColourSpace(const SDVBColourSpace& space) override;
    void Draw(unsigned overlayColour, int aspectNumerator, int aspectDenominator) override;
    bool ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height) override;

private:
    void ApplyColourSpace() const;

    SDL_Renderer* m_renderer;
    SDL_Texture* m_texture = nullptr;
    int m_pictureWidth = 0;
    int m_pictureHeight = 0;
    SDL_YUV_CONVERSION_MODE m_conversion = SDL_YUV_CONVERSION_BT601;
};
