#include "DVBAVAudioReceiver.h"

#include "DVBAVAudioFormat.h"
#include "DVBAVAudioPlayer.h"

CDVBAVAudioReceiver::CDVBAVAudioReceiver(
    CKRXDecoderPlugin* plugin, AVCodecID codec, std::unique_ptr<CDVBWaveDevice> device)
    : CDVBWaveReceiver(
        plugin, CDVBAVAudioFormat::ToSoundCoding(codec), std::move(device), kChunkCount, kWaveBufferCount)
    , m_codec(codec)
{
}

CDVBAVAudioReceiver::~CDVBAVAudioReceiver()
{
    // The decode thread uses the wave output: it ends before the output goes.
    Stop();
}

void CDVBAVAudioReceiver::DecodeStream()
{
    CDVBAVAudioPlayer player(
        m_codec,
        [this](unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time) {
            return ReadChunk(destination, size, hasTime, time);
        },
        [this] { return m_stopEvent.IsSet(); }, m_output);
    player.Run();
}
