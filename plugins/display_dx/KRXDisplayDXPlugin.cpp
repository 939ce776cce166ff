#include "KRXDisplayDXPlugin.h"

#include "DVBDisplayDX.h"
#include "DVBNullSurface.h"
#include "DVBSDLWindowSurface.h"
#include "DVBY4MSurface.h"

#include "plugin/KRXVideoOutput.h"

#include "platform/ProfileSettings.h"

std::unique_ptr<CDVBDisplaySurface> MakeChosenDisplaySurface(int width, int height, unsigned overlayColour)
{
    switch (CKRXVideoOutput::GetKind()) {
    case CKRXVideoOutput::Window:
        return std::make_unique<CDVBSDLWindowSurface>(width, height, overlayColour);
    case CKRXVideoOutput::Y4M:
        return std::make_unique<CDVBY4MSurface>(CKRXVideoOutput::GetPath());
    case CKRXVideoOutput::None:
        break;
    }
    return std::make_unique<CDVBNullSurface>();
}

unsigned GetConfiguredOverlayColour()
{
    return unsigned(CProfileSettings::ForUser().GetInt("Video", "OverlayColour", int(DVB_DEFAULT_OVERLAY_COLOUR)));
}

CDVBDisplay* CKRXDisplayDXPlugin::OpenDisplay(int width, int height)
{
    const unsigned colour = GetConfiguredOverlayColour();
    auto* display = new CDVBDisplayDX(MakeChosenDisplaySurface(width, height, colour), colour);
    display->Start();
    return display;
}

bool CKRXDisplayDXPlugin::CloseDisplay(CDVBDisplay* display)
{
    delete display;
    return true;
}
