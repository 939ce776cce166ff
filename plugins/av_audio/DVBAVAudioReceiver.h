#pragma once
// The receiver of one AAC, AAC LATM, AC-3 or E-AC-3 component: its decode
// thread runs the libavcodec player on the queued chunks.
#include "DVBWaveReceiver.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

class CDVBAVAudioReceiver : public CDVBWaveReceiver
{
public:
    // Room for a third of a second of E-AC-3 at its highest broadcast rates.
    static constexpr int kChunkCount = 400;
    // Muxers send sound well ahead of its time (and a file input reads ahead
    // until it knows the rate), while a frame of AAC lasts only 21 ms: room
    // for three seconds of it before frames are dropped.
    static constexpr int kWaveBufferCount = 144;

    CDVBAVAudioReceiver(CKRXDecoderPlugin* plugin, AVCodecID codec, std::unique_ptr<CDVBWaveDevice> device);
    ~CDVBAVAudioReceiver() override;

    AVCodecID GetCodec() const { return m_codec; }

protected:
    void DecodeStream() override;

private:
    AVCodecID m_codec;
};
