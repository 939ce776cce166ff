#pragma once
// One run of the libavcodec sound decoder: it pulls queued chunks of
// elementary stream, lets the codec's parser cut them into frames, carries the
// PES time stamps over to the frames they belong to, decodes each frame,
// downmixes more than two channels to stereo and hands the samples to the
// wave output, configuring it whenever the channel count or sample rate
// changes. A frame is decoded only when it begins with its codec's sync word
// and the next frame does too (or the input ends there): a cut or corrupt
// stretch is dropped rather than played as noise, and so is every frame the
// decoder rejects.
#include "DVBAudioCommand.h"
#include "DVBChunkReader.h"
#include "DVBFrameTimes.h"

#include "platform/CString.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <vector>

class CDVBWaveOutput;

class CDVBAVAudioPlayer
{
public:
    CDVBAVAudioPlayer(AVCodecID codec, DVBChunkReader reader, DVBStopTest stopRequested, CDVBWaveOutput& output);
    ~CDVBAVAudioPlayer();
    CDVBAVAudioPlayer(const CDVBAVAudioPlayer&) = delete;
    CDVBAVAudioPlayer& operator=(const CDVBAVAudioPlayer&) = delete;

    // Decodes until the input ends, stop is requested or the output fails.
    void Run();

    // Frames cut from the stream, and of them those that were not played.
    unsigned long GetFrameCount() const { return m_frameCount; }
    unsigned long GetDroppedCount() const { return m_droppedCount; }

private:
    struct SCodecDeleter {
        void operator()(AVCodecContext* context) const;
        void operator()(AVCodecParserContext* parser) const;
        void operator()(AVPacket* packet) const;
        void operator()(AVFrame* frame) const;
        void operator()(SwrContext* resampler) const;
    };
    template <class T> using Owned = std::unique_ptr<T, SCodecDeleter>;

    bool Open();
    // Cuts frames from size bytes of data; with no data, the parser gives up
    // what it still holds. False when the output failed.
    bool Parse(const unsigned char* data, int size);
    bool OnParsedFrame(const unsigned char* frame, int size, uint64_t position);
    bool DecodeHeld(bool followedByFrame);
    bool Play(const AVFrame& frame, uint32_t time);
    bool PrepareResampler(const AVFrame& frame);
    bool SendConfigure(unsigned int channels, unsigned int rate);
    void Drop(uint64_t position);
    void Report(const char* component, const CString& message);

    AVCodecID m_codec;
    DVBChunkReader m_reader;
    DVBStopTest m_stopRequested;
    CDVBWaveOutput& m_output;

    Owned<AVCodecContext> m_context;
    Owned<AVCodecParserContext> m_parser;
    Owned<AVPacket> m_packet;
    Owned<AVFrame> m_frame;
    Owned<SwrContext> m_resampler;
    // What the resampler was made for.
    AVChannelLayout m_layoutIn {};
    int m_formatIn = AV_SAMPLE_FMT_NONE;
    int m_rateIn = 0;

    // Where the next byte given to the parser stands in the stream.
    uint64_t m_position = 0;
    CDVBFrameTimes m_times;
    uint32_t m_lastDuration = 0;
    // The frame waiting to see whether the next one begins in step.
    std::vector<unsigned char> m_held;
    uint64_t m_heldPosition = 0;
    bool m_holding = false;

    unsigned int m_channelsOut = 0;
    unsigned int m_rateOut = 0;
    unsigned long m_largestPlay = 0;
    std::vector<DVBFixed> m_samples[2];
    CDVBClipStatistics m_statistics;
    unsigned long m_frameCount = 0;
    unsigned long m_droppedCount = 0;
};
