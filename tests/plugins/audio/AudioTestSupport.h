#pragma once
// What the audio tests share: a wave output
// that notes every command before carrying it out, the committed MP2 samples
// cut into frames and queued chunks, and a reader that feeds the chunks to a
// player while ticking its output, all on the test's own thread.
#include "DVBAudioPlayer.h"
#include "DVBWaveOutput.h"
#include "MemoryWaveDevice.h"
#include "ScriptedClock.h"

#include "tswriter/TsTypes.h"

#include <optional>
#include <string>
#include <vector>

// One command as the output stage sent it.
struct CSentCommand {
    int code;
    unsigned int channels = 0;
    unsigned int rate = 0;
    unsigned long count = 0;
    bool stereo = false;
    uint32_t time = 0;
};

class CRecordingWaveOutput : public CDVBWaveOutput
{
public:
    using CDVBWaveOutput::CDVBWaveOutput;
    int Command(CDVBAudioCommand& command) override;
    std::vector<CSentCommand> sent;
    // The times of the frames sent to play, in order.
    std::vector<uint32_t> PlayTimes() const;
};

ts::Bytes LoadAudioSample(const std::string& name);
std::vector<ts::Bytes> SplitFrames(const ts::Bytes& stream);
ts::Bytes JoinFrames(const std::vector<ts::Bytes>& frames);

struct CAudioChunk {
    ts::Bytes data;
    std::optional<uint32_t> time; // PTS / 2
};

// PES packets of framesPerPacket frames each, the first stamped with
// firstTime and each later one with the time its first frame is due, cut into
// chunks of at most 184 bytes.
std::vector<CAudioChunk> MakeChunks(
    const std::vector<ts::Bytes>& frames, int framesPerPacket, uint32_t firstTime, uint32_t frameDuration);
// Unstamped chunks of at most 184 bytes.
std::vector<CAudioChunk> MakeChunks(const ts::Bytes& stream);

// Runs a player on the chunks with the scripted clock far enough ahead that
// every frame is due: each read releases what is due, so nothing is dropped.
// Returns the PCM the device was given.
class CPlayerRun
{
public:
    CPlayerRun();
    void Play(const std::vector<CAudioChunk>& chunks);

    CMemoryWaveDevice* device; // owned by the output
    CRecordingWaveOutput output;
    CScriptedClock clock;
    CDVBClipStatistics statistics;
};

// Samples of 16-bit little-endian PCM.
std::vector<int16_t> ToSamples(const std::vector<unsigned char>& pcm);
// The peak absolute value.
int PeakOf(const std::vector<int16_t>& samples);
