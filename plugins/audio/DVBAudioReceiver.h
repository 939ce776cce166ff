#pragma once
// The receiver of one MPEG audio component: each transport packet's payload
// becomes one queued chunk (a chunk begun by a time-stamped PES packet carries
// its PTS), and the decode thread plays them through its own wave output,
// which the receive thread's millisecond tick releases on the programme clock.
#include "DVBWaveOutput.h"

#include "stream/DVBPullReceiver.h"

class CKRXDecoderPlugin;

class CDVBAudioReceiver : public CDVBPullReceiver
{
public:
    static constexpr int kChunkCount = 100;
    static constexpr int kChunkSize = 184;

    CDVBAudioReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBWaveDevice> device);
    ~CDVBAudioReceiver() override;

    void OnEveryMillisecond() override { m_output.Tick(); }
    bool RequiresTimeNotifications() override { return true; }
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    void SetProgramClock(CDVBProgramClock* clock) override;

    // Copies the next queued chunk, or as much of it as fits in size bytes,
    // to destination; 0 once stop is asked for.
    unsigned long ReadChunk(unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time);

protected:
    void DecodeStream() override;
    unsigned long WriteCompressedData(unsigned char* data, unsigned long size) override;

    CDVBWaveOutput m_output;

private:
    CKRXDecoderPlugin* m_plugin;
};
