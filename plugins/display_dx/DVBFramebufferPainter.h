#pragma once
// Pictures drawn straight into the window's own memory (X11's shared memory)
// where there is no GPU: one libswscale pass converts and scales each
// picture into its place, only the bars are filled, and the window is shown.
// SDL's software renderer would convert the picture at its own size, stretch
// it in a second pass and clear the whole window first; a software OpenGL
// would cost more memory and no less processor time.
#include "DVBLetterbox.h"
#include "DVBPictureScaler.h"
#include "DVBPlaneBuffer.h"
#include "DVBWindowPainter.h"

#include <SDL.h>

#include <memory>

class CDVBFramebufferPainter : public CDVBWindowPainter
{
public:
    explicit CDVBFramebufferPainter(SDL_Window* window);

    // False when the window's memory is not a 32-bit layout the scaler writes.
    bool IsReady() const { return m_scaler != nullptr; }

    bool Create(int width, int height, CString& error) override;
    bool Lock(SDVBSurfacePlanes& planes) override;
    void Unlock() override { }
    void SetColourSpace(const SDVBColourSpace& space) override;
    void Draw(unsigned overlayColour, int aspectNumerator, int aspectDenominator) override;
    bool ReadPixels(std::vector<uint32_t>& pixels, int& width, int& height) override;

private:
    bool DrawPicture(SDL_Surface* window, const SDVBRect& area);

    SDL_Window* m_window;
    CDVBPlaneBuffer m_picture;
    std::unique_ptr<CDVBPictureScaler> m_scaler;
};
