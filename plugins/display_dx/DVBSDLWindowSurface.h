#pragma once
// The video window: an SDL2 window showing the pictures letterboxed to their
// shape on the configured overlay colour, scaled bilinear, with their own
// colour matrix and range. Where a GPU is there (or the user names an SDL
// renderer) an SDL renderer draws them; where none is, they are drawn into
// the window's memory directly.
// Space, f and a double-click toggle desktop full screen, Escape leaves it;
// the viewer's other keys, the wheel (volume) and the close box are sent to
// the front end as viewer commands. Every call, including the event pumping,
// comes from the display's frame thread.
#include "DVBDisplaySurface.h"
#include "DVBWindowPainter.h"

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

class CDVBSDLWindowSurface : public CDVBDisplaySurface
{
public:
    // width x height: the window's first client size; overlayColour 0x00BBGGRR.
    CDVBSDLWindowSurface(int width, int height, unsigned overlayColour);
    ~CDVBSDLWindowSurface() override;

    bool Open(CString& error) override;
    bool Create(int width, int height, CString& error) override;
    bool Lock(SDVBSurfacePlanes& planes) override;
    void Unlock() override;
    void Present(int64_t time, bool blank) override;
    void SetAspectRatio(int numerator, int denominator) override;
    void PumpEvents() override;
    void Close() override;
    void SetColourSpace(const SDVBColourSpace& space) override;

    bool IsFullScreen() const;
    Uint32 GetWindowID() const;
    // What the window shows now, 0x00RRGGBB, for checking the picture.
    bool ReadWindowPixels(std::vector<uint32_t>& pixels, int& width, int& height);

private:
    // Starts SDL's video under the process's SDL lock.
    bool StartVideo();
    void ToggleFullScreen();
    void OnKey(const SDL_KeyboardEvent& key);
    void Render();

    int m_windowWidth;
    int m_windowHeight;
    unsigned m_overlayColour;
    bool m_videoStarted = false;
    SDL_Window* m_window = nullptr;
    std::unique_ptr<CDVBWindowPainter> m_painter;
    int m_aspect[2] = { 0, 0 };
};
