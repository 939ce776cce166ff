#include "DVBSDLWindowSurface.h"

#include "DVBFramebufferPainter.h"
#include "DVBSDLRendererPainter.h"
#include "DVBWindowIcon.h"

#include "platform/SDLLock.h"
#include "platform/SDLSubSystems.h"
#include "plugin/KRXVideoOutput.h"
#include "plugin/KRXViewerCommands.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
constexpr int ICON_SIZE = 32;

// A GPU that the kernel's DRM driver runs has a render node.
bool HasRenderNode()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        if (entry.path().filename().string().starts_with("renderD"))
            return true;
    }
    return false;
}

// Where there is no GPU, the window's memory is drawn into directly: SDL
// would otherwise show it through an OpenGL texture of its own, loading a
// software OpenGL. A window whose memory has a layout the scaler cannot
// write gets SDL's software renderer. With a GPU, or a renderer the user
// names in SDL_RENDER_DRIVER, SDL's choice draws.
std::unique_ptr<CDVBWindowPainter> MakePainter(SDL_Window* window)
{
    int index = -1;
    if (!SDL_GetHint(SDL_HINT_RENDER_DRIVER) && !HasRenderNode()) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        auto painter = std::make_unique<CDVBFramebufferPainter>(window);
        if (painter->IsReady())
            return painter;
        index = SDL_GetNumRenderDrivers() - 1;
        for (SDL_RendererInfo info; index >= 0; --index)
            if (SDL_GetRenderDriverInfo(index, &info) == 0 && SDL_strcmp(info.name, "software") == 0)
                break;
    }
    auto renderer = std::make_unique<CDVBSDLRendererPainter>(window, index);
    return renderer->IsReady() ? std::move(renderer) : nullptr;
}

// The keys the window hands to the viewer; the full-screen keys it keeps.
bool CommandForKey(SDL_Keycode key, CKRXViewerCommands::Command& command)
{
    switch (key) {
    case SDLK_PAGEUP:
    case SDLK_UP:
        command = CKRXViewerCommands::PreviousService;
        return true;
    case SDLK_PAGEDOWN:
    case SDLK_DOWN:
        command = CKRXViewerCommands::NextService;
        return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        command = CKRXViewerCommands::Enter;
        return true;
    case SDLK_KP_PLUS:
        command = CKRXViewerCommands::VolumeUp;
        return true;
    case SDLK_KP_MINUS:
        command = CKRXViewerCommands::VolumeDown;
        return true;
    default:
        if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
            command = CKRXViewerCommands::Command(CKRXViewerCommands::Digit0 + 1 + (key - SDLK_KP_1));
            return true;
        }
        if (key == SDLK_KP_0) {
            command = CKRXViewerCommands::Digit0;
            return true;
        }
        // Printable keys are their own characters in SDL.
        return key > 0 && key < 0x80 && CKRXViewerCommands::FromCharacter(char32_t(key), command);
    }
}

CString SDLError(const char* what)
{
    return CString(what) + " " + SDL_GetError();
}
} // namespace

CDVBSDLWindowSurface::CDVBSDLWindowSurface(int width, int height, unsigned overlayColour)
    : m_windowWidth(width)
    , m_windowHeight(height)
    , m_overlayColour(overlayColour)
{
}

CDVBSDLWindowSurface::~CDVBSDLWindowSurface()
{
    Close();
}

bool CDVBSDLWindowSurface::Open(CString& error)
{
    if (!StartVideo()) {
        error = SDLError("Failed to start the video system.");
        return false;
    }
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
    CKRXVideoOutput::GetWindowPlace(x, y);
    m_window = SDL_CreateWindow("Korrix", x, y, m_windowWidth, m_windowHeight, SDL_WINDOW_RESIZABLE);
    if (!m_window) {
        error = SDLError("Failed to create the video window.");
        return false;
    }
    std::vector<uint32_t> icon = DVBDrawWindowIcon(ICON_SIZE);
    if (SDL_Surface* iconSurface = SDL_CreateRGBSurfaceWithFormatFrom(
            icon.data(), ICON_SIZE, ICON_SIZE, 32, ICON_SIZE * 4, SDL_PIXELFORMAT_ARGB8888)) {
        SDL_SetWindowIcon(m_window, iconSurface);
        SDL_FreeSurface(iconSurface);
    }
    m_painter = MakePainter(m_window);
    if (!m_painter) {
        error = SDLError("Failed to create the video renderer.");
        return false;
    }
    CKRXVideoOutput::TakeFullScreenRequest();
    Render();
    return true;
}

bool CDVBSDLWindowSurface::StartVideo()
{
    std::lock_guard lock(GetSDLLock());
    // SDL would otherwise turn Ctrl-C into a quit event of its own, and wait
    // for the screen's refresh while the frame thread has a 1 ms tick to keep.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    m_videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return m_videoStarted;
}

bool CDVBSDLWindowSurface::Create(int width, int height, CString& error)
{
    return m_painter->Create(width, height, error);
}

bool CDVBSDLWindowSurface::Lock(SDVBSurfacePlanes& planes)
{
    return m_painter->Lock(planes);
}

void CDVBSDLWindowSurface::Unlock()
{
    m_painter->Unlock();
}

void CDVBSDLWindowSurface::Present(int64_t, bool)
{
    Render();
}

void CDVBSDLWindowSurface::SetAspectRatio(int numerator, int denominator)
{
    m_aspect[0] = numerator;
    m_aspect[1] = denominator;
    Render();
}

void CDVBSDLWindowSurface::Render()
{
    if (m_painter)
        m_painter->Draw(m_overlayColour, m_aspect[0], m_aspect[1]);
}

void CDVBSDLWindowSurface::SetColourSpace(const SDVBColourSpace& space)
{
    m_painter->SetColourSpace(space);
}

void CDVBSDLWindowSurface::PumpEvents()
{
    // The main window's keys for full screen, as this window's own would.
    const CKRXVideoOutput::FullScreenRequest request = CKRXVideoOutput::TakeFullScreenRequest();
    if (request == CKRXVideoOutput::ToggleFullScreen || (request == CKRXVideoOutput::LeaveFullScreen && IsFullScreen()))
        ToggleFullScreen();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            OnKey(event.key);
            break;
        // "*" is shifted on most keyboards, whose keys SDL names unshifted: it comes as text.
        case SDL_TEXTINPUT:
            if (std::strcmp(event.text.text, "*") == 0)
                CKRXViewerCommands::Send(CKRXViewerCommands::ToggleFavourite);
            break;
        case SDL_MOUSEWHEEL:
            if (event.wheel.y != 0)
                CKRXViewerCommands::Send(
                    event.wheel.y > 0 ? CKRXViewerCommands::VolumeUp : CKRXViewerCommands::VolumeDown);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT && event.button.clicks == 2)
                ToggleFullScreen();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                Render();
            // The window goes out of sight at once; the viewer then closes the display with it.
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                SDL_HideWindow(m_window);
                CKRXViewerCommands::Send(CKRXViewerCommands::CloseVideo);
            }
            break;
        default: // quit requests among them: the window goes with the display
            break;
        }
    }
}

void CDVBSDLWindowSurface::OnKey(const SDL_KeyboardEvent& key)
{
    const SDL_Keycode code = key.keysym.sym;
    // A shifted digit key types a sign ("*" on Shift+8), never the digit.
    if (code >= SDLK_0 && code <= SDLK_9 && (key.keysym.mod & KMOD_SHIFT) != 0)
        return;
    if ((code == SDLK_SPACE || code == SDLK_f) && !key.repeat)
        ToggleFullScreen();
    else if (code == SDLK_ESCAPE && IsFullScreen())
        ToggleFullScreen();
    else if (CKRXViewerCommands::Command command; CommandForKey(code, command))
        CKRXViewerCommands::Send(command);
}

void CDVBSDLWindowSurface::ToggleFullScreen()
{
    SDL_SetWindowFullscreen(m_window, IsFullScreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    Render();
}

bool CDVBSDLWindowSurface::IsFullScreen() const
{
    return m_window && (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
}

Uint32 CDVBSDLWindowSurface::GetWindowID() const
{
    return m_window ? SDL_GetWindowID(m_window) : 0;
}

bool CDVBSDLWindowSurface::ReadWindowPixels(std::vector<uint32_t>& pixels, int& width, int& height)
{
    return m_painter && m_painter->ReadPixels(pixels, width, height);
}

void CDVBSDLWindowSurface::Close()
{
    m_painter.reset();
    if (m_window)
        SDL_DestroyWindow(m_window);
    m_window = nullptr;
    if (m_videoStarted)
        QuitSDLSubSystem(SDL_INIT_VIDEO);
    m_videoStarted = false;
    // SDL gives every thread that calls it an error message of its own, and
    // frees it only on the threads it made itself: the frame thread, about to
    // end, gives its back.
    SDL_TLSCleanup();
}
