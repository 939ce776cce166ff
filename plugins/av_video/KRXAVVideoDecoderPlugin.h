#pragma once
// The decoder plug-in for H.264 and HEVC video components: each component it
// opens gets a video receiver with a libavcodec decoder of its own.
#include "plugin/KRXDecoderPlugin.h"

class CKRXAVVideoDecoderPlugin : public CKRXDecoderPlugin
{
public:
    // Keeps libavcodec loaded once this module is (see KeepLibraryLoaded).
    CKRXAVVideoDecoderPlugin();
    CString GetName() override { return "H.264/HEVC Video"; }
    CString GetDescription() override;
    // Accepts components described "video (H.264)" or "video (HEVC)" in any letter case.
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;
};
