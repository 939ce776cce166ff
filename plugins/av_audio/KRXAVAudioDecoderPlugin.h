#pragma once
// The sound decoder plug-in for today's broadcasts: one receiver, with its own
// wave output, for each AAC, AAC LATM, AC-3 or E-AC-3 component it is asked
// to open. MPEG audio stays with the MPEG audio plug-in.
#include "KRXWaveDecoderPlugin.h"

class CKRXAVAudioDecoderPlugin : public CKRXWaveDecoderPlugin
{
public:
    // Keeps libavcodec loaded once this module is (see KeepLibraryLoaded).
    CKRXAVAudioDecoderPlugin();
    // libavcodec outlives the module: its messages go back to its own output.
    ~CKRXAVAudioDecoderPlugin() override;
    CString GetName() override { return "AV Audio"; }
    CString GetDescription() override;
    // Probes the sound device and sends libavcodec's messages to the debug output.
    void Initialise() override;
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
};
