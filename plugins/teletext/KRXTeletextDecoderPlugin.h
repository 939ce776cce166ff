#pragma once
// The decoder plug-in for teletext: a magazine kept for the page viewer, or a
// subtitle page painted into the picture.
#include "plugin/KRXDecoderPlugin.h"

class CKRXTeletextDecoderPlugin : public CKRXDecoderPlugin
{
public:
    CString GetName() override { return "Teletext"; }
    CString GetDescription() override { return "Decodes teletext pages and teletext subtitles with libzvbi."; }
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;

    // The subtitle page a description names ("subtitles (teletext 888, ita)"
    // gives 0x888), or 0.
    static int GetSubtitlePage(const CString& description);
};
