#pragma once
// The receiver of one MPEG audio component: its decode thread runs the MPEG
// audio player on the queued chunks.
#include "DVBWaveReceiver.h"

class CDVBAudioReceiver : public CDVBWaveReceiver
{
public:
    static constexpr int kChunkCount = 100;
    // Broadcasters and muxers send sound up to a second or so ahead of its
    // time, and a file input reads ahead until it knows the rate: room for
    // three seconds of 48 kHz Layer II (24 ms a frame) before frames are dropped.
    static constexpr int kWaveBufferCount = 125;

    CDVBAudioReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBWaveDevice> device);
    ~CDVBAudioReceiver() override;

protected:
    void DecodeStream() override;
};
