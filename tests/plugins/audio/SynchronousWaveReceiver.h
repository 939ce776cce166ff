#pragma once
// A sound receiver that decodes on the caller's thread instead of its own:
// each read of the decoder hands the receiver the next transport packet when
// nothing is queued and releases every frame that is due, so a whole stream
// plays through packets, receiver, decoder, converter and device without a
// thread or a frame dropped. For fuzzing and benchmarks.
#include "DVBWaveReceiver.h"
#include "ScriptedClock.h"

#include "DVBChunkReader.h"

#include "tswriter/TsTypes.h"

#include <functional>

class CSynchronousWaveReceiver : public CDVBWaveReceiver
{
public:
    // Runs one decoder on the reader until the reader ends.
    using PlayerRun = std::function<void(DVBChunkReader reader, DVBStopTest stop, CDVBWaveOutput& output)>;

    // A device that keeps nothing (an in-memory device not recording) unless one is given.
    explicit CSynchronousWaveReceiver(PlayerRun run, std::unique_ptr<CDVBWaveDevice> device = {});
    ~CSynchronousWaveReceiver() override;

    // Plays whole 188-byte packets until they are used up.
    void Play(const ts::Bytes& packets);

private:
    PlayerRun m_run;
};

// Transport packets of the PES packets of one sound stream, each PES packet
// holding up to payloadSize bytes and stamped frameTicks after the last (90 kHz).
ts::Bytes MakeAudioPackets(const ts::Bytes& payload, size_t payloadSize, int64_t frameTicks);
