#pragma once
// The MPEG audio decoder plug-in: one receiver, with its own wave output, for
// each MPEG audio component it is asked to open.
#include "DVBWaveDevice.h"

#include "plugin/KRXDecoderPlugin.h"

#include <memory>

class CKRXAudioDecoderPlugin : public CKRXDecoderPlugin
{
public:
    CString GetName() override { return "Audio"; }
    CString GetDescription() override;
    // Finds out whether a sound device can be opened at all.
    void Initialise() override;
    bool SupportsComponent(CDVBComponentDefinition* component) override;
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* component) override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;

    // The device the chosen audio output asks for. Without a sound device
    // the sound still runs on the programme clock, into nothing.
    std::unique_ptr<CDVBWaveDevice> CreateDevice();

private:
    bool m_deviceFound = false;
};
