#include "KRXAVAudioDecoderPlugin.h"

#include "DVBAVAudioFormat.h"
#include "DVBAVAudioReceiver.h"

#include "platform/DebugOutput.h"
#include "platform/SharedLibrary.h"
#include "plugin/DVBComponentDefinition.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace {
// The plug-ins have no console: a damaged broadcast makes the decoders talk a lot.
void ForwardToDebugOutput(void* context, int level, const char* format, va_list arguments)
{
    if (level > av_log_get_level())
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &prefix);
    DebugOutput(line);
}
} // namespace

CKRXAVAudioDecoderPlugin::CKRXAVAudioDecoderPlugin()
{
    KeepLibraryLoaded(reinterpret_cast<const void*>(&avcodec_version));
}

CKRXAVAudioDecoderPlugin::~CKRXAVAudioDecoderPlugin()
{
    av_log_set_callback(av_log_default_callback);
}

CString CKRXAVAudioDecoderPlugin::GetDescription()
{
    return "AAC, AC-3 and E-AC-3 Audio Decoder. Uses libavcodec by the FFmpeg developers\r\nhttps://ffmpeg.org/";
}

void CKRXAVAudioDecoderPlugin::Initialise()
{
    CKRXWaveDecoderPlugin::Initialise();
    av_log_set_callback(ForwardToDebugOutput);
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
