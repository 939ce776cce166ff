#include "DVBAVAudioFormat.h"

#include "si/DVBProgramElement.h"

namespace {
struct SCodecName {
    const char* name;
    AVCodecID codec;
};
constexpr SCodecName kCodecs[] = {
    { "AAC", AV_CODEC_ID_AAC },
    { "AAC LATM", AV_CODEC_ID_AAC_LATM },
    { "AC-3", AV_CODEC_ID_AC3 },
    { "E-AC-3", AV_CODEC_ID_EAC3 },
};
} // namespace

AVCodecID CDVBAVAudioFormat::FromDescription(const CString& description)
{
    // The kind, a space and the codec, then what an MPEG audio description
    // has after its kind: nothing, or the language.
    for (const char* kind : { "audio description", "audio" }) {
        if (!description.starts_with(kind))
            continue;
        const CString rest = description.substr(CString(kind).size());
        for (const SCodecName& codec : kCodecs) {
            const CString named = CString(" ") + codec.name;
            if (rest.starts_with(named) && CDVBProgramElement::IsMPEGAudioDescription(kind + rest.substr(named.size())))
                return codec.codec;
        }
        break;
    }
    return AV_CODEC_ID_NONE;
}

bool CDVBAVAudioFormat::StartsWithSync(AVCodecID codec, const unsigned char* frame, size_t size)
{
    if (size < 2)
        return false;
    switch (codec) {
    case AV_CODEC_ID_AAC:
        return frame[0] == 0xFF && (frame[1] & 0xF6) == 0xF0;
    case AV_CODEC_ID_AAC_LATM:
        return frame[0] == 0x56 && (frame[1] & 0xE0) == 0xE0;
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3:
        return frame[0] == 0x0B && frame[1] == 0x77;
    default:
        return false;
    }
}

EDVBSoundCoding CDVBAVAudioFormat::ToSoundCoding(AVCodecID codec)
{
    switch (codec) {
    case AV_CODEC_ID_AAC:
        return EDVBSoundCoding::AAC;
    case AV_CODEC_ID_AAC_LATM:
        return EDVBSoundCoding::AACLATM;
    case AV_CODEC_ID_AC3:
        return EDVBSoundCoding::AC3;
    case AV_CODEC_ID_EAC3:
        return EDVBSoundCoding::EnhancedAC3;
    default:
        return EDVBSoundCoding::None;
    }
}
