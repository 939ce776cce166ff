// The window surface on SDL's dummy driver, the letterbox it draws with,
// and the plug-in that chooses the surface.
#include "DVBDisplayDX.h"
#include "DVBLetterbox.h"
#include "DVBSDLWindowSurface.h"
#include "DisplayTestSupport.h"
#include "KRXDisplayDXPlugin.h"

#include "plugin/KRXPluginManager.h"
#include "plugin/KRXVideoOutput.h"
#include "plugin/KRXViewerCommands.h"

#include "support/SDLAllocationWatch.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>

namespace {
// 0x00BBGGRR, as the settings keep it: red 0x99, green 0x66, blue 0x33.
constexpr unsigned BORDER = 0x00336699;

class WindowSurface : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0); // headless unless told otherwise
        CString error;
        ASSERT_TRUE(m_surface.Open(error)) << error;
    }
    // Delivers one event to the window as the frame thread would.
    void Push(Uint32 type, int detail = 0, const char* text = "", Uint16 modifiers = KMOD_NONE)
    {
        SDL_Event event {};
        event.type = type;
        event.window.windowID = m_surface.GetWindowID(); // at the same place in every event kind
        if (type == SDL_KEYDOWN) {
            event.key.keysym.sym = detail;
            event.key.keysym.mod = modifiers;
        }
        if (type == SDL_TEXTINPUT)
            std::strncpy(event.text.text, text, sizeof event.text.text - 1);
        if (type == SDL_MOUSEBUTTONDOWN) {
            event.button.button = SDL_BUTTON_LEFT;
            event.button.clicks = Uint8(detail);
        }
        if (type == SDL_WINDOWEVENT)
            event.window.event = Uint8(detail);
        if (type == SDL_MOUSEWHEEL)
            event.wheel.y = detail;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        m_surface.PumpEvents();
    }

    CDVBSDLWindowSurface m_surface { 720, 576, BORDER };
};

// Without a GPU the window draws into its own memory; with one, or with a
// renderer the user names, SDL's renderer draws. Both must show the same.
class WindowPainters : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        if (GetParam() != nullptr)
            SDL_SetHint(SDL_HINT_RENDER_DRIVER, GetParam());
    }
    void TearDown() override { SDL_ResetHint(SDL_HINT_RENDER_DRIVER); }
};
} // namespace

TEST(WindowSurfaceThread, LeavesNothingOfSDLsBehindOnTheThreadThatOpenedAndClosedIt)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    // SDL stays started while the thread ends, as it does for the display and
    // the sound when the other keeps it going: what SDL kept for the thread
    // is then left for good, its own final stop freeing the rest.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    bool opened = false;
    size_t left = 0;
    {
        SDLAllocationWatch watch;
        std::thread([&opened] {
            CDVBSDLWindowSurface surface { 720, 576, BORDER };
            CString error;
            opened = surface.Open(error);
            surface.Close();
        }).join();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        left = watch.GetLiveBlocks();
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(left, 0u);
}

TEST(Letterbox, FitsThePictureShapeCentredInTheArea)
{
    auto same
        = [](SDVBRect a, SDVBRect b) { return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height; };
    EXPECT_TRUE(same(DVBLetterbox(720, 576, 16, 9), { 0, 85, 720, 405 }))
        << "16:9 in a 4:3 window: bars above and below";
    EXPECT_TRUE(same(DVBLetterbox(1920, 1080, 4, 3), { 240, 0, 1440, 1080 })) << "4:3 on a wide screen: bars beside";
    EXPECT_TRUE(same(DVBLetterbox(1024, 768, 4, 3), { 0, 0, 1024, 768 })) << "the same shape leaves no border";
    EXPECT_TRUE(same(DVBLetterbox(720, 576, 0, 0), { 0, 0, 720, 576 })) << "unknown shape fills the window";
}

TEST_P(WindowPainters, ShowThePictureLetterboxedOnTheOverlayColour)
{
    CDVBSDLWindowSurface surface { 720, 576, BORDER };
    CString error;
    ASSERT_TRUE(surface.Open(error)) << error;
    ASSERT_TRUE(surface.Create(720, 576, error)) << error;
    SDVBSurfacePlanes planes;
    ASSERT_TRUE(surface.Lock(planes));
    // Pure red in BT.601 video range.
    for (int row = 0; row < 576; ++row)
        memset(planes.Y + row * planes.pitch, 81, 720);
    for (int row = 0; row < 288; ++row) {
        memset(planes.U + row * (planes.pitch / 2), 90, 360);
        memset(planes.V + row * (planes.pitch / 2), 240, 360);
    }
    surface.Unlock();
    surface.SetAspectRatio(16, 9);
    surface.Present(0, false);

    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(surface.ReadWindowPixels(pixels, width, height));
    ASSERT_EQ(width, 720);
    ASSERT_EQ(height, 576);
    EXPECT_EQ(pixels[40 * width + 360] & 0xFFFFFF, 0x996633u) << "the border above";
    EXPECT_EQ(pixels[540 * width + 360] & 0xFFFFFF, 0x996633u) << "the border below";
    const uint32_t middle = pixels[288 * width + 360];
    EXPECT_GT((middle >> 16) & 0xFF, 200u) << std::hex << middle;
    EXPECT_LT((middle >> 8) & 0xFF, 60u) << std::hex << middle;
    EXPECT_LT(middle & 0xFF, 60u) << std::hex << middle;
}

TEST_F(WindowSurface, SpaceFAndDoubleClickToggleFullScreenAndEscapeLeavesIt)
{
    EXPECT_FALSE(m_surface.IsFullScreen());
    Push(SDL_KEYDOWN, SDLK_SPACE);
    EXPECT_TRUE(m_surface.IsFullScreen());
    Push(SDL_MOUSEBUTTONDOWN, 1);
    EXPECT_TRUE(m_surface.IsFullScreen()) << "a single click is not a double-click";
    Push(SDL_MOUSEBUTTONDOWN, 2);
    EXPECT_FALSE(m_surface.IsFullScreen());
    Push(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_FALSE(m_surface.IsFullScreen()) << "Escape only leaves full screen";
    Push(SDL_KEYDOWN, SDLK_f);
    EXPECT_TRUE(m_surface.IsFullScreen());
    Push(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_FALSE(m_surface.IsFullScreen());

    // The main window's keys, handed over to the window's thread.
    CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::LeaveFullScreen);
    m_surface.PumpEvents();
    EXPECT_FALSE(m_surface.IsFullScreen());
    CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::ToggleFullScreen);
    m_surface.PumpEvents();
    EXPECT_TRUE(m_surface.IsFullScreen());
    m_surface.PumpEvents();
    EXPECT_TRUE(m_surface.IsFullScreen()) << "once asked, done once";
    CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::LeaveFullScreen);
    m_surface.PumpEvents();
    EXPECT_FALSE(m_surface.IsFullScreen());
}

// The viewer's keys, the wheel and the close box reach the front end as
// commands; the close box hides the window at once, a quit request does nothing.
TEST_F(WindowSurface, KeysWheelAndCloseBoxAreSentToTheViewer)
{
    std::vector<CKRXViewerCommands::Command> sent;
    const CKRXViewerCommands::Handler previous
        = CKRXViewerCommands::SetHandler([&sent](CKRXViewerCommands::Command command) { sent.push_back(command); });
    for (int key : { SDLK_PLUS, SDLK_KP_MINUS, SDLK_m, SDLK_PAGEDOWN, SDLK_UP, SDLK_7, SDLK_KP_0, SDLK_RETURN, SDLK_a,
             SDLK_s, SDLK_i, SDLK_x })
        Push(SDL_KEYDOWN, key);
    // Shift+8 on most keyboards: the key types "*", not 8.
    Push(SDL_KEYDOWN, SDLK_8, "", KMOD_LSHIFT);
    Push(SDL_TEXTINPUT, 0, "*");
    Push(SDL_TEXTINPUT, 0, "a");
    Push(SDL_MOUSEWHEEL, 1);
    Push(SDL_MOUSEWHEEL, -2);
    Push(SDL_QUIT);
    const Uint32 window = m_surface.GetWindowID();
    EXPECT_NE(SDL_GetWindowFlags(SDL_GetWindowFromID(window)) & SDL_WINDOW_SHOWN, 0u);
    Push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE);
    CKRXViewerCommands::SetHandler(previous);

    using C = CKRXViewerCommands;
    EXPECT_EQ(sent,
        (std::vector<C::Command> { C::VolumeUp, C::VolumeDown, C::ToggleMute, C::NextService, C::PreviousService,
            C::Command(C::Digit0 + 7), C::Digit0, C::Enter, C::NextSoundtrack, C::NextSubtitles, C::ToggleInfo,
            C::ToggleFavourite, C::VolumeUp, C::VolumeDown, C::CloseVideo }));
    EXPECT_EQ(SDL_GetWindowFlags(SDL_GetWindowFromID(window)) & SDL_WINDOW_SHOWN, 0u) << "hidden";
}

TEST(WindowSurfacePlace, TheWindowOpensWhereTheFrontEndAskedAndNotInFullScreenAskedBefore)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    CKRXVideoOutput::SetWindowPlace(812, 64);
    CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::ToggleFullScreen);
    CDVBSDLWindowSurface surface { 720, 576, BORDER };
    CString error;
    ASSERT_TRUE(surface.Open(error)) << error;
    surface.PumpEvents();
    EXPECT_FALSE(surface.IsFullScreen());
    int x = 0, y = 0;
    SDL_GetWindowPosition(SDL_GetWindowFromID(surface.GetWindowID()), &x, &y);
    EXPECT_EQ(x, 812);
    EXPECT_EQ(y, 64);
}

TEST(DisplayPlugin, TheModuleRegistersDisplayDXWhichOpensTheChosenOutput)
{
    TemporaryFolder folder;
    std::filesystem::copy_file(KRX_DISPLAY_DX_MODULE, folder.File("KRXDisplayDX.so"));
    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 1);
    auto* plugin = dynamic_cast<CKRXDisplayPlugin*>(manager->GetPluginWithType(KRX_PLUGIN_DISPLAY, 0));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->GetName(), "Display DX");

    CKRXVideoOutput::Set(CKRXVideoOutput::Y4M, folder.File("seen.y4m"));
    CDVBDisplay* display = plugin->OpenDisplay(720, 576);
    CKRXVideoOutput::Set(CKRXVideoOutput::Window);
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(plugin->CloseDisplay(display));
    EXPECT_TRUE(std::filesystem::exists(folder.File("seen.y4m")));
    manager->UnloadPlugins();
}

TEST(DisplayPlugin, TheOverlayColourComesFromTheUsersSettings)
{
    TemporaryFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    EXPECT_EQ(GetConfiguredOverlayColour(), 0x000000u) << "black bars unless set";
    std::filesystem::create_directories(folder.File("Hollowmere"));
    folder.Write("Hollowmere/Korrix.conf", "[Video]\nOverlayColour=1122867\n");
    EXPECT_EQ(GetConfiguredOverlayColour(), 1122867u);
    unsetenv("XDG_CONFIG_HOME");
}

namespace {
struct SRGB {
    int red, green, blue;
};

// Full-intensity colour bars, white to black, coded in studio range with the
// matrix whose red and blue weights are given.
void CodeBars(const SRGB (&bars)[8], double kr, double kb, std::vector<unsigned char>& picture)
{
    constexpr int width = 720, height = 576, barWidth = width / 8;
    picture.assign(width * height * 3 / 2, 0);
    unsigned char* U = picture.data() + width * height;
    unsigned char* V = U + width * height / 4;
    for (int x = 0; x < width; x++) {
        const SRGB& bar = bars[x / barWidth];
        const double r = bar.red / 255.0, g = bar.green / 255.0, b = bar.blue / 255.0;
        const double y = kr * r + (1 - kr - kb) * g + kb * b;
        for (int row = 0; row < height; row++)
            picture[row * width + x] = static_cast<unsigned char>(std::lround(16 + 219 * y));
        for (int row = 0; row < height / 2; row++) {
            U[row * width / 2 + x / 2] = static_cast<unsigned char>(std::lround(128 + 224 * (b - y) / (2 * (1 - kb))));
            V[row * width / 2 + x / 2] = static_cast<unsigned char>(std::lround(128 + 224 * (r - y) / (2 * (1 - kr))));
        }
    }
}
} // namespace

TEST_P(WindowPainters, ColourBarsOfEitherMatrixLandWithinThreeLevelsOfTheirRGB)
{
    const SRGB bars[8] = { { 255, 255, 255 }, { 255, 255, 0 }, { 0, 255, 255 }, { 0, 255, 0 }, { 255, 0, 255 },
        { 255, 0, 0 }, { 0, 0, 255 }, { 0, 0, 0 } };
    auto owned = std::make_unique<CDVBSDLWindowSurface>(720, 576, BORDER);
    CDVBSDLWindowSurface* surface = owned.get();
    CDVBDisplayDX display(std::move(owned), BORDER);
    CString error;
    ASSERT_TRUE(display.OpenSurface(error, 0)) << error;
    const std::pair<DVBColourMatrix, std::pair<double, double>> matrices[]
        = { { DVBColourMatrix::BT601, { 0.299, 0.114 } }, { DVBColourMatrix::BT709, { 0.2126, 0.0722 } } };
    // BT.709 first, as the display starts in BT.601.
    for (auto it = std::rbegin(matrices); it != std::rend(matrices); ++it) {
        const auto& [matrix, weights] = *it;
        SCOPED_TRACE(matrix == DVBColourMatrix::BT709 ? "BT.709" : "BT.601");
        std::vector<unsigned char> picture;
        CodeBars(bars, weights.first, weights.second, picture);
        display.SetColourSpace({ matrix, false });
        display.OnFrame(720, 576, picture.data(), picture.data() + 720 * 576, picture.data() + 720 * 576 * 5 / 4, 0);
        display.ShowDueFrames(1);
        std::vector<uint32_t> pixels;
        int width = 0, height = 0;
        ASSERT_TRUE(surface->ReadWindowPixels(pixels, width, height));
        ASSERT_EQ(width, 720);
        for (int bar = 0; bar < 8; bar++) {
            const uint32_t pixel = pixels[288 * width + bar * 90 + 45];
            const int shown[3] = { int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF) };
            const int expected[3] = { bars[bar].red, bars[bar].green, bars[bar].blue };
            for (int component = 0; component < 3; component++)
                EXPECT_NEAR(shown[component], expected[component], 3) << "bar " << bar << " component " << component;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, WindowPainters, ::testing::Values(nullptr, "software"),
    [](const ::testing::TestParamInfo<const char*>& info) { return info.param ? "SDLRenderer" : "OwnScaler"; });
