#include "KRXAudioDecoderPlugin.h"

#include "DVBAudioReceiver.h"

#include "plugin/DVBComponentDefinition.h"
#include "si/DVBProgramElement.h"

CString CKRXAudioDecoderPlugin::GetDescription()
{
    return "MPEG-2 Audio Decoder. Uses libmad by Underbit Technologies, Inc.\r\nhttps://www.underbit.com/products/mad/";
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
