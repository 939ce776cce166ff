#pragma once
// The receiver of one MPEG audio component: its decode thread runs the MPEG
// audio player on the queued chunks.
#include "DVBWaveReceiver.h"

class CDVBAudioReceiver : public CDVBWaveReceiver
{
public:
    static constexpr int kChunkCount = 100;

    CDVBAudioReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBWaveDevice> device);
    ~CDVBAudioReceiver() override;

protected:
    void DecodeStream() override;
};
