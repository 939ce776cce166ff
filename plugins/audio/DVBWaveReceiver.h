#pragma once
// The receiver base of the sound decoders: each transport packet's payload
// becomes one queued chunk (a chunk begun by a time-stamped PES packet carries
// its PTS), the derived decoder's thread reads the chunks and plays them
// through the receiver's own wave output, and the receive thread's
// time notifications release them on the programme clock. What the decoder
// reads is also searched for the coding it is really in.
#include "DVBSoundCodingDetector.h"
#include "DVBWaveOutput.h"

#include "stream/DVBPullReceiver.h"

class CKRXDecoderPlugin;

class CDVBWaveReceiver : public CDVBPullReceiver
{
public:
    static constexpr int kChunkSize = 184;

    // coding is the decoder's own.
    CDVBWaveReceiver(CKRXDecoderPlugin* plugin, EDVBSoundCoding coding, std::unique_ptr<CDVBWaveDevice> device,
        int chunkCount, int waveBufferCount = CDVBWaveOutput::kBufferCount);

    void OnEveryMillisecond() override { m_output.Tick(); }
    bool RequiresTimeNotifications() override { return true; }
    uint32_t GetMillisecondsUntilNotification() override { return m_output.GetMillisecondsUntilDue(); }
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    void SetProgramClock(CDVBProgramClock* clock) override;
    unsigned char GetDetectedStreamType() override { return m_codings.GetForeignStreamType(); }

    // Copies the next queued chunk, or as much of it as fits in size bytes,
    // to destination; sets hasTime and time (PTS / 2) when the chunk starts
    // with a time-stamped PES packet. 0 once stop is asked for.
    unsigned long ReadChunk(unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time);

protected:
    unsigned long WriteCompressedData(unsigned char* data, unsigned long size) override;

    CDVBWaveOutput m_output;

private:
    CKRXDecoderPlugin* m_plugin;
    CDVBSoundCodingDetector m_codings;
};
