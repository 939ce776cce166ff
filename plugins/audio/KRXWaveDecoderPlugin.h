#pragma once
// The base of the sound decoder plug-ins: it finds out once whether a sound
// device can be opened, makes the device the chosen audio output asks for
// (--audio-out) for each receiver, and deletes the receivers it is handed back.
#include "DVBWaveDevice.h"

#include "plugin/KRXDecoderPlugin.h"

#include <memory>

class CKRXWaveDecoderPlugin : public CKRXDecoderPlugin
{
public:
    // Finds out whether a sound device can be opened at all.
    void Initialise() override;
    bool CloseComponent(CDVBPIDReceiver* receiver) override;

    // The device the chosen audio output asks for. Without a sound device
    // the sound still runs on the programme clock, into nothing.
    std::unique_ptr<CDVBWaveDevice> CreateDevice();

private:
    bool m_deviceFound = false;
};
