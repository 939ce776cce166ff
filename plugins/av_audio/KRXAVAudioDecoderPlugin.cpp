#include "KRXAVAudioDecoderPlugin.h"

#include "DVBAVAudioFormat.h"
#include "DVBAVAudioReceiver.h"

#include "plugin/DVBComponentDefinition.h"

CString CKRXAVAudioDecoderPlugin::GetDescription()
{
    return "AAC, AC-3 and E-AC-3 Audio Decoder. Uses libavcodec by the FFmpeg developers\r\nhttps://ffmpeg.org/";
}

bool CKRXAVAudioDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    return component && CDVBAVAudioFormat::FromDescription(component->GetDescription()) != AV_CODEC_ID_NONE;
}

CDVBPIDReceiver* CKRXAVAudioDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    if (!SupportsComponent(component))
        return nullptr;
    return new CDVBAVAudioReceiver(
        this, CDVBAVAudioFormat::FromDescription(component->GetDescription()), CreateDevice());
}
