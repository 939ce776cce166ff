#pragma once
// The decoder plug-in for DVB subtitle components.
#include "plugin/KRXDecoderPlugin.h"

class CKRXSubtitleDecoderPlugin : public CKRXDecoderPlugin
{
public:
    CString GetName() override { return "Subtitles"; }
    CString GetDescription() override
    {
        return "Decodes and displays DVB subtitles.\r\nBased on DVB Subtitle library written by Quellan.";
    }
    // Builds the default colour table regions fall back on.
    void Initialise() override;
    void DeInitialise() override;
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;
};
