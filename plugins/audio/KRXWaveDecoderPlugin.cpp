#include "KRXWaveDecoderPlugin.h"

#include "DVBNullWaveDevice.h"
#include "DVBSDLWaveDevice.h"
#include "DVBWavFileWaveDevice.h"
#include "DVBWaveOutput.h"

#include "platform/DebugOutput.h"
#include "plugin/KRXAudioOutput.h"
#include "stream/DVBPIDReceiver.h"

void CKRXWaveDecoderPlugin::Initialise()
{
    if (CKRXAudioOutput::GetKind() != CKRXAudioOutput::Device)
        return;
    CDVBWaveOutput probe(std::make_unique<CDVBSDLWaveDevice>());
    CDVBAudioCommand command;
    command.code = DVB_AUDIO_CONFIGURE;
    command.configure = { 2, 44100, 16 };
    m_deviceFound = probe.Command(command) == 0;
    if (!m_deviceFound)
        DebugOutput("No sound device: " + probe.GetErrorText() + "\n");
    command.code = DVB_AUDIO_FINISH;
    probe.Command(command);
}

bool CKRXWaveDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}

std::unique_ptr<CDVBWaveDevice> CKRXWaveDecoderPlugin::CreateDevice()
{
    switch (CKRXAudioOutput::GetKind()) {
    case CKRXAudioOutput::Device:
        if (m_deviceFound)
            return std::make_unique<CDVBSDLWaveDevice>();
        break;
    case CKRXAudioOutput::Wav:
        return std::make_unique<CDVBWavFileWaveDevice>(CKRXAudioOutput::GetPath());
    case CKRXAudioOutput::None:
        break;
    }
    return std::make_unique<CDVBNullWaveDevice>();
}
