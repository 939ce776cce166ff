#include "KRXAVVideoDecoderPlugin.h"

#include "DVBAVVideoDecoder.h"
#include "DVBVideoReceiver.h"

#include "platform/SharedLibrary.h"
#include "plugin/DVBComponentDefinition.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>
#include <optional>
#include <strings.h>

namespace {

std::optional<DVBVideoCodec> CodecOf(CDVBComponentDefinition* component)
{
    if (!component)
        return std::nullopt;
    const char* description = component->GetDescription().c_str();
    if (strcasecmp(description, "video (H.264)") == 0)
        return DVBVideoCodec::H264;
    if (strcasecmp(description, "video (HEVC)") == 0)
        return DVBVideoCodec::HEVC;
    return std::nullopt;
}

} // namespace

CKRXAVVideoDecoderPlugin::CKRXAVVideoDecoderPlugin()
{
    KeepLibraryLoaded(reinterpret_cast<const void*>(&avcodec_version));
}

CString CKRXAVVideoDecoderPlugin::GetDescription()
{
    return "H.264 and HEVC Video Decoder. Uses libavcodec of the FFmpeg project\r\n"
           "https://ffmpeg.org/";
}

bool CKRXAVVideoDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    return CodecOf(component).has_value();
}

CDVBPIDReceiver* CKRXAVVideoDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    const std::optional<DVBVideoCodec> codec = CodecOf(component);
    if (!codec)
        return nullptr;
    return new CDVBVideoReceiver(this, std::make_unique<CDVBAVVideoDecoder>(*codec));
}

bool CKRXAVVideoDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}
