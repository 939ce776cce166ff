#pragma once
// The MPEG audio decoder plug-in: one receiver, with its own wave output, for
// each MPEG audio component it is asked to open.
#include "KRXWaveDecoderPlugin.h"

class CKRXAudioDecoderPlugin : public CKRXWaveDecoderPlugin
{
public:
    CString GetName() override { return "Audio"; }
    CString GetDescription() override;
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
};
