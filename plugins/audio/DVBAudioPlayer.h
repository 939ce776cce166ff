#pragma once
// One run of the MPEG audio decoder: it pulls queued chunks of elementary
// stream into its input buffer, lets the library decode them frame by frame,
// carries the PES time stamps over to the frames they belong to, picks the
// channels to play and hands each frame to the wave output, configuring it
// whenever the channel count or sample rate changes.
#include "DVBAudioCommand.h"
#include "DVBChunkReader.h"
#include "DVBFrameTimes.h"

#include "platform/CString.h"

#include <mad.h>
#include <vector>

class CDVBWaveOutput;

class CDVBAudioPlayer
{
public:
    using Reader = DVBChunkReader;
    using StopTest = DVBStopTest;

    // The largest legal frame (Layer II at 384 kbit/s and 32 kHz, padded)
    // plus one transport packet's payload, so every legal frame fits whole.
    static constexpr unsigned long kInputCapacity = 1729 + 184;

    CDVBAudioPlayer(Reader reader, StopTest stopRequested, CDVBWaveOutput& output);

    // Decodes until stop is requested or the output fails.
    void Run();

    const CDVBClipStatistics& GetStatistics() const { return m_statistics; }

    // A frame's duration in 45 kHz ticks, as the decoder carries it.
    static uint32_t GetDuration(const mad_timer_t& duration);

private:
    static mad_flow OnInput(void* player, mad_stream* stream);
    static mad_flow OnHeader(void* player, const mad_header* header);
    static mad_flow OnFilter(void* player, const mad_stream* stream, mad_frame* frame);
    static mad_flow OnOutput(void* player, const mad_header* header, mad_pcm* pcm);
    static mad_flow OnError(void* player, mad_stream* stream, mad_frame* frame);

    mad_flow Input(mad_stream* stream);
    mad_flow Header(const mad_header* header);
    mad_flow Filter(const mad_stream* stream);
    bool IsFollowedByFrame(const mad_stream* stream) const;
    mad_flow Output(const mad_header* header, const mad_pcm* pcm);
    bool SendConfigure(unsigned int channels, unsigned int rate);
    void Report(const char* component, const CString& message);

    Reader m_reader;
    StopTest m_stopRequested;
    CDVBWaveOutput& m_output;

    // Input: the data, then room for the library's guard bytes.
    std::vector<unsigned char> m_input;
    unsigned long m_inputLength = 0;
    bool m_endOfInput = false;
    // Where m_input[0] stands in the stream, counted from its first byte.
    uint64_t m_inputPosition = 0;
    CDVBFrameTimes m_times;
    const mad_stream* m_stream = nullptr;

    bool m_dualReported = false;
    unsigned int m_channelsIn = 0;
    unsigned int m_rateIn = 0;

    uint32_t m_frameTime = 0;
    CDVBClipStatistics m_statistics;
};
