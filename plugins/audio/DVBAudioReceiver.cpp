#include "DVBAudioReceiver.h"

#include "DVBAudioPlayer.h"

CDVBAudioReceiver::CDVBAudioReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBWaveDevice> device)
    : CDVBWaveReceiver(plugin, EDVBSoundCoding::MPEGAudio, std::move(device), kChunkCount, kWaveBufferCount)
{
}

CDVBAudioReceiver::~CDVBAudioReceiver()
{
    // The decode thread uses the wave output: it ends before the output goes.
    Stop();
}

void CDVBAudioReceiver::DecodeStream()
{
    CDVBAudioPlayer player([this](unsigned char* destination, unsigned long size, bool& hasTime,
                               uint32_t& time) { return ReadChunk(destination, size, hasTime, time); },
        [this] { return m_stopEvent.IsSet(); }, m_output);
    player.Run();
}
