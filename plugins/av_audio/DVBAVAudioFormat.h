#pragma once
// The sound formats of today's broadcasts that libavcodec decodes for Korrix:
// which components carry them (by the stream's description, "audio AAC
// (eng)", "audio AAC LATM", "audio AC-3 (fra)", "audio description E-AC-3
// (eng)") and how each of their frames begins.
#include "DVBSoundCodingDetector.h"

#include "platform/CString.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <cstddef>

class CDVBAVAudioFormat
{
public:
    // The codec a component of this description carries; AV_CODEC_ID_NONE
    // for anything else (MPEG audio among others).
    static AVCodecID FromDescription(const CString& description);
    // True when frame begins with the codec's sync word: ADTS for AAC, LOAS
    // for AAC LATM, 0x0B77 for AC-3 and E-AC-3.
    static bool StartsWithSync(AVCodecID codec, const unsigned char* frame, size_t size);
    // The coding the codec decodes, as the search for a stream's coding names it.
    static EDVBSoundCoding ToSoundCoding(AVCodecID codec);
};
