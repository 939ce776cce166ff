#include "DVBAVAudioPlayer.h"

#include "DVBAVAudioFormat.h"
#include "DVBWaveBuffer.h"
#include "DVBWaveOutput.h"
#include "DVBWaveReceiver.h"

#include "platform/DebugOutput.h"

#include <algorithm>
#include <iterator>

namespace {
// Signed 32-bit samples carry three more fraction bits than the output's fixed point.
constexpr int kFixedShift = 3;

uint32_t DurationTicks(int samples, int rate)
{
    return rate > 0 ? static_cast<uint32_t>(int64_t(samples) * 45000 / rate) : 0;
}
} // namespace

void CDVBAVAudioPlayer::SCodecDeleter::operator()(AVCodecContext* context) const
{
    avcodec_free_context(&context);
}

void CDVBAVAudioPlayer::SCodecDeleter::operator()(AVCodecParserContext* parser) const
{
    av_parser_close(parser);
}

void CDVBAVAudioPlayer::SCodecDeleter::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}

void CDVBAVAudioPlayer::SCodecDeleter::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}

void CDVBAVAudioPlayer::SCodecDeleter::operator()(SwrContext* resampler) const
{
    swr_free(&resampler);
}

CDVBAVAudioPlayer::CDVBAVAudioPlayer(
    AVCodecID codec, DVBChunkReader reader, DVBStopTest stopRequested, CDVBWaveOutput& output)
    : m_codec(codec)
    , m_reader(std::move(reader))
    , m_stopRequested(std::move(stopRequested))
    , m_output(output)
{
}

CDVBAVAudioPlayer::~CDVBAVAudioPlayer()
{
    av_channel_layout_uninit(&m_layoutIn);
}

void CDVBAVAudioPlayer::Run()
{
    CDVBAudioCommand command;
    command.code = DVB_AUDIO_INIT;
    if (m_output.Command(command) != 0) {
        Report("audio", m_output.GetErrorText());
        return;
    }
    if (Open()) {
        // The parser may read a little beyond the data it is given.
        unsigned char chunk[CDVBWaveReceiver::kChunkSize + AV_INPUT_BUFFER_PADDING_SIZE] = {};
        bool playing = true;
        bool hasTime = false;
        uint32_t time = 0;
        while (playing && !m_stopRequested()) {
            const unsigned long read = m_reader(chunk, CDVBWaveReceiver::kChunkSize, hasTime, time);
            if (read == 0)
                break;
            if (hasTime)
                m_times.AddStamp(m_position, time);
            playing = Parse(chunk, static_cast<int>(read));
        }
        if (m_stopRequested()) {
            command.code = DVB_AUDIO_STOP;
            command.stop.flush = true;
            m_output.Command(command);
        } else if (playing && Parse(nullptr, 0) && m_holding) {
            DecodeHeld(true);
        }
    }
    command.code = DVB_AUDIO_FINISH;
    if (m_output.Command(command) != 0)
        Report("audio", m_output.GetErrorText());
}

bool CDVBAVAudioPlayer::Open()
{
    const AVCodec* codec = avcodec_find_decoder(m_codec);
    m_parser.reset(av_parser_init(m_codec));
    m_context.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!codec || !m_parser || !m_context || !m_packet || !m_frame) {
        Report("decode", CString("no decoder for ") + avcodec_get_name(m_codec));
        return false;
    }
    // A frame that fails its check is rejected, not concealed from damaged data.
    m_context->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
    if (avcodec_open2(m_context.get(), codec, nullptr) < 0) {
        Report("decode", CString("cannot open the decoder for ") + avcodec_get_name(m_codec));
        return false;
    }
    return true;
}

bool CDVBAVAudioPlayer::Parse(const unsigned char* data, int size)
{
    const bool flushing = size == 0;
    do {
        uint8_t* frame = nullptr;
        int frameSize = 0;
        const int used = av_parser_parse2(
            m_parser.get(), m_context.get(), &frame, &frameSize, data, size, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        // A parser that neither reads nor gives a frame would be asked for ever.
        if (used < 0 || (used == 0 && frameSize == 0))
            return true;
        data += used;
        size -= used;
        m_position += static_cast<uint64_t>(used);
        // A frame ends where the parser stopped reading.
        if (frameSize > 0 && !OnParsedFrame(frame, frameSize, m_position - static_cast<uint64_t>(frameSize)))
            return false;
    } while (size > 0 && !flushing);
    return true;
}

bool CDVBAVAudioPlayer::OnParsedFrame(const unsigned char* frame, int size, uint64_t position)
{
    m_frameCount++;
    if (m_holding && !DecodeHeld(CDVBAVAudioFormat::StartsWithSync(m_codec, frame, size_t(size))))
        return false;
    m_held.assign(frame, frame + size);
    m_heldPosition = position;
    m_holding = true;
    return true;
}

bool CDVBAVAudioPlayer::DecodeHeld(bool followedByFrame)
{
    m_holding = false;
    if (!followedByFrame || !CDVBAVAudioFormat::StartsWithSync(m_codec, m_held.data(), m_held.size())) {
        Drop(m_heldPosition);
        return true;
    }
    m_packet->data = m_held.data();
    m_packet->size = static_cast<int>(m_held.size());
    const int sent = avcodec_send_packet(m_context.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (sent < 0) {
        Drop(m_heldPosition);
        return true;
    }
    bool received = false;
    bool played = false;
    while (avcodec_receive_frame(m_context.get(), m_frame.get()) >= 0) {
        received = true;
        const AVFrame& frame = *m_frame;
        const uint32_t duration = DurationTicks(frame.nb_samples, frame.sample_rate);
        const uint32_t time = m_times.StartFrame(m_heldPosition, duration);
        m_lastDuration = duration;
        const bool damaged = frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT);
        if (!damaged && !Play(frame, time))
            return false;
        played = played || !damaged;
        av_frame_unref(m_frame.get());
    }
    if (!received)
        m_times.StartFrame(m_heldPosition, m_lastDuration);
    if (!played)
        m_droppedCount++;
    return true;
}

// A dropped frame still takes its time stamp and its place in time.
void CDVBAVAudioPlayer::Drop(uint64_t position)
{
    m_times.StartFrame(position, m_lastDuration);
    m_droppedCount++;
}

bool CDVBAVAudioPlayer::Play(const AVFrame& frame, uint32_t time)
{
    if (!PrepareResampler(frame))
        return true;
    const unsigned int channels = std::min(frame.ch_layout.nb_channels, 2);
    const auto rate = static_cast<unsigned int>(frame.sample_rate);
    if ((channels != m_channelsOut || rate != m_rateOut) && !SendConfigure(channels, rate))
        return false;

    const auto count = static_cast<size_t>(frame.nb_samples);
    uint8_t* planes[2] = {};
    for (unsigned int channel = 0; channel < channels; channel++) {
        if (m_samples[channel].size() < count)
            m_samples[channel].resize(count);
        planes[channel] = reinterpret_cast<uint8_t*>(m_samples[channel].data());
    }
    const int converted = swr_convert(m_resampler.get(), planes, frame.nb_samples,
        const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (converted <= 0)
        return true;
    for (unsigned int channel = 0; channel < channels; channel++)
        for (int i = 0; i < converted; i++)
            m_samples[channel][size_t(i)] >>= kFixedShift;

    // Each play fills one wave buffer; a frame longer than a buffer holds plays in parts.
    CDVBAudioCommand play;
    play.code = DVB_AUDIO_PLAY;
    play.play.mode = DVB_PCM_DITHER;
    play.play.statistics = &m_statistics;
    for (unsigned long done = 0; done < static_cast<unsigned long>(converted);) {
        play.play.count = std::min(static_cast<unsigned long>(converted) - done, m_largestPlay);
        play.play.first = m_samples[0].data() + done;
        play.play.second = channels == 2 ? m_samples[1].data() + done : nullptr;
        play.play.time = time + DurationTicks(static_cast<int>(done), frame.sample_rate);
        if (m_output.Command(play) != 0) {
            Report("output", m_output.GetErrorText());
            return false;
        }
        done += play.play.count;
    }
    return true;
}

// Any layout and sample format in, the same rate out: one or two channels of
// signed 32-bit samples, more than two downmixed (and scaled so the mix never clips).
bool CDVBAVAudioPlayer::PrepareResampler(const AVFrame& frame)
{
    if (m_resampler && frame.format == m_formatIn && frame.sample_rate == m_rateIn
        && av_channel_layout_compare(&frame.ch_layout, &m_layoutIn) == 0)
        return true;
    m_resampler.reset();
    av_channel_layout_uninit(&m_layoutIn);
    if (frame.ch_layout.nb_channels <= 0 || frame.sample_rate <= 0)
        return false;
    AVChannelLayout in {};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, frame.ch_layout.nb_channels);
    else
        av_channel_layout_copy(&in, &frame.ch_layout);
    AVChannelLayout out {};
    av_channel_layout_default(&out, std::min(frame.ch_layout.nb_channels, 2));
    SwrContext* resampler = nullptr;
    const int made = swr_alloc_set_opts2(&resampler, &out, AV_SAMPLE_FMT_S32P, frame.sample_rate, &in,
        static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    m_resampler.reset(resampler);
    if (made < 0 || swr_init(resampler) < 0) {
        m_resampler.reset();
        Report("output", "cannot convert the decoded sound");
        return false;
    }
    av_channel_layout_copy(&m_layoutIn, &frame.ch_layout);
    m_formatIn = frame.format;
    m_rateIn = frame.sample_rate;
    return true;
}

bool CDVBAVAudioPlayer::SendConfigure(unsigned int channels, unsigned int rate)
{
    unsigned int precision = 0;
    if (!m_output.SendConfigure(channels, rate, &precision)) {
        Report("output", m_output.GetErrorText());
        return false;
    }
    m_channelsOut = channels;
    m_rateOut = rate;
    m_largestPlay = CDVBWaveBuffer::kCapacity / (channels * (precision / 8));
    return true;
}

// The plug-in has no console: reports go to the diagnostic channel.
void CDVBAVAudioPlayer::Report(const char* component, const CString& message)
{
    DebugOutput(CString(component) + ": " + message + "\n");
}
