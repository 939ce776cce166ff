#include "KRXAudioDecoderPlugin.h"

#include "DVBAudioReceiver.h"
#include "DVBNullWaveDevice.h"
#include "DVBSDLWaveDevice.h"
#include "DVBWavFileWaveDevice.h"

#include "platform/DebugOutput.h"
#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXAudioOutput.h"
#include "si/DVBProgramElement.h"

CString CKRXAudioDecoderPlugin::GetDescription()
{
    return "MPEG-2 Audio Decoder. Uses libmad by Underbit Technologies, Inc.\r\nhttps://www.underbit.com/products/mad/";
}

void CKRXAudioDecoderPlugin::Initialise()
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

bool CKRXAudioDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    return component && CDVBProgramElement::IsMPEGAudioDescription(component->GetDescription());
}

CDVBPIDReceiver* CKRXAudioDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    if (!SupportsComponent(component))
        return nullptr;
    return new CDVBAudioReceiver(this, CreateDevice());
}

bool CKRXAudioDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}

std::unique_ptr<CDVBWaveDevice> CKRXAudioDecoderPlugin::CreateDevice()
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
