#pragma once
// The display plug-in: opens displays that show video in an SDL2 window, or
// write it to a YUV4MPEG2 file, or only pace and count it, as the front end
// chose (CKRXVideoOutput).
#include "plugin/KRXDisplayPlugin.h"

#include <memory>

class CDVBDisplaySurface;

class CKRXDisplayDXPlugin : public CKRXDisplayPlugin
{
public:
    CString GetName() override { return "Display DX"; }
    CString GetDescription() override
    {
        return "Shows video in an SDL2 window (YV12 texture), or writes it to a YUV4MPEG2 file.";
    }
    CDVBDisplay* OpenDisplay(int width, int height) override;
    bool CloseDisplay(CDVBDisplay* display) override;
};

// The surface for the front end's choice of output.
std::unique_ptr<CDVBDisplaySurface> MakeChosenDisplaySurface(int width, int height, unsigned overlayColour);
// The border colour the user configured (0x00BBGGRR), or the default.
unsigned GetConfiguredOverlayColour();
