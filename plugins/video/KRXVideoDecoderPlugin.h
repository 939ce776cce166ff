#pragma once
// The decoder plug-in for MPEG-1/MPEG-2 video components: each component it
// opens gets a video receiver with a libmpeg2 decoder of its own.
#include "plugin/KRXDecoderPlugin.h"

class CKRXVideoDecoderPlugin : public CKRXDecoderPlugin
{
public:
    CString GetName() override { return "Video"; }
    CString GetDescription() override;
    // Accepts a component described as "video" in any letter case, and nothing longer.
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;
};
