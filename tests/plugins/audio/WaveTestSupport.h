#pragma once
// What the tests of every sound decoder share: a wave output that notes every
// command before carrying it out, the committed samples cut into queued
// chunks, and a reader that feeds the chunks to a player while ticking its
// output, all on the test's own thread.
#include "DVBChunkReader.h"
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
    // The configure commands, in order.
    std::vector<CSentCommand> Configures() const;
};

ts::Bytes LoadAudioSample(const std::string& name);

struct CAudioChunk {
    ts::Bytes data;
    std::optional<uint32_t> time; // PTS / 2
};

// Chunks of at most 184 bytes of payload, the first stamped with time.
void AppendChunks(const ts::Bytes& payload, std::optional<uint32_t> time, std::vector<CAudioChunk>& chunks);
// Unstamped chunks of at most 184 bytes.
std::vector<CAudioChunk> MakeChunks(const ts::Bytes& stream);

// An output on an in-memory device with the scripted clock far enough ahead
// that every frame is due: each read of the reader releases what is due, so
// nothing is dropped.
class CWaveRun
{
public:
    CWaveRun();
    // Reads the chunks in order, then 0.
    DVBChunkReader Reader(const std::vector<CAudioChunk>& chunks);

    CMemoryWaveDevice* device; // owned by the output
    CRecordingWaveOutput output;
    CScriptedClock clock;

private:
    size_t m_next = 0;
    size_t m_offset = 0;
};

// ffmpeg's decode of a committed sample as 16-bit PCM, with its output
// options (e.g. "-ac 2"), by way of the file output.
std::vector<int16_t> DecodeWithFfmpeg(const std::string& sample, const std::string& output, const std::string& options);
// The best signal-to-noise in dB of ours against the reference over shifts of
// up to maxShift sample frames either way, with the shift found.
struct CAlignment {
    double snr;
    long shift;
};
CAlignment AlignAndCompare(
    const std::vector<int16_t>& reference, const std::vector<int16_t>& ours, int channels, long maxShift);

// Samples of 16-bit little-endian PCM.
std::vector<int16_t> ToSamples(const std::vector<unsigned char>& pcm);
// The peak absolute value.
int PeakOf(const std::vector<int16_t>& samples);
