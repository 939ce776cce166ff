#include "DVBAVVideoDecoder.h"

#include <cstring>
#include <optional>
#include <thread>

#include "plugin/DVBColourSpace.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

AVCodecID CodecId(DVBVideoCodec codec)
{
    return codec == DVBVideoCodec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
}

int ThreadCount(int threads)
{
    if (threads > 0)
        return threads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? static_cast<int>(cores) : 1;
}

// Where the first end of sequence or end of stream NAL unit in the data ends;
// its whole header must lie in the data.
std::optional<size_t> FindStreamEnd(DVBVideoCodec codec, const unsigned char* data, size_t size)
{
    const size_t headerSize = codec == DVBVideoCodec::HEVC ? 2 : 1;
    for (size_t i = 0; i + 3 + headerSize <= size; i++) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1 || (data[i + 3] & 0x80))
            continue;
        const int type = codec == DVBVideoCodec::HEVC ? data[i + 3] >> 1 : data[i + 3] & 0x1F;
        const bool end = codec == DVBVideoCodec::HEVC ? (type == 36 || type == 37) : (type == 10 || type == 11);
        if (end)
            return i + 3 + headerSize;
    }
    return std::nullopt;
}

} // namespace

CDVBAVVideoDecoder::CDVBAVVideoDecoder(DVBVideoCodec codec, int threads)
    : m_codec(codec)
{
    const AVCodec* decoder = avcodec_find_decoder(CodecId(codec));
    if (!decoder)
        return;
    m_context = avcodec_alloc_context3(decoder);
    m_parser = av_parser_init(CodecId(codec));
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_context || !m_parser || !m_packet || !m_frame)
        return;
    m_context->thread_count = ThreadCount(threads);
    m_context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    m_context->max_pixels = kMaxPixels;
    m_context->pkt_timebase = AVRational { 1, 90000 };
    // Pictures decoded from missing references are garbage: never give them out.
    m_context->flags &= ~AV_CODEC_FLAG_OUTPUT_CORRUPT;
    // Damaged and joined streams are a broadcast's daily fare, not errors to
    // print: the library's complaints about them only show in its verbose log.
    m_context->log_level_offset = AV_LOG_VERBOSE - AV_LOG_ERROR;
    if (avcodec_open2(m_context, decoder, nullptr) < 0)
        avcodec_free_context(&m_context);
}

CDVBAVVideoDecoder::~CDVBAVVideoDecoder()
{
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    if (m_parser)
        av_parser_close(m_parser);
    avcodec_free_context(&m_context);
}

bool CDVBAVVideoDecoder::IsValid() const
{
    return m_context && m_parser && m_packet && m_frame;
}

void CDVBAVVideoDecoder::Decode(unsigned char* data, size_t size, CDVBDisplay* display)
{
    if (!IsValid())
        return;
    // Each end of a sequence or stream in the data empties the decoder there.
    for (;;) {
        const std::optional<size_t> end = FindStreamEnd(m_codec, data, size);
        Parse(data, end.value_or(size), display);
        if (!end)
            return;
        Drain(display);
        data += *end;
        size -= *end;
    }
}

void CDVBAVVideoDecoder::Parse(const unsigned char* data, size_t size, CDVBDisplay* display)
{
    if (size == 0)
        return;
    // The PTS belongs to the first access unit that begins in this run.
    int64_t pts = m_nextPts.value_or(AV_NOPTS_VALUE);
    m_nextPts.reset();
    while (size > 0) {
        uint8_t* unit = nullptr;
        int unitSize = 0;
        const int used = av_parser_parse2(
            m_parser, m_context, &unit, &unitSize, data, static_cast<int>(size), pts, AV_NOPTS_VALUE, 0);
        if (used < 0)
            return;
        pts = AV_NOPTS_VALUE;
        data += used;
        size -= static_cast<size_t>(used);
        if (unitSize > 0)
            SendAccessUnit(unit, unitSize, m_parser->pts, display);
        else if (used == 0)
            return;
    }
}

void CDVBAVVideoDecoder::SendAccessUnit(const unsigned char* data, int size, int64_t pts, CDVBDisplay* display)
{
    // The parser may hand out a pointer into the receiver's buffer, which has
    // no room for the padding the decoder reads beyond the end: copy it.
    av_packet_unref(m_packet);
    if (av_new_packet(m_packet, size) < 0)
        return;
    std::memcpy(m_packet->data, data, size_t(size));
    m_packet->pts = pts;
    if (avcodec_send_packet(m_context, m_packet) == AVERROR(EAGAIN)) {
        ReceivePictures(display);
        avcodec_send_packet(m_context, m_packet);
    }
    ReceivePictures(display);
}

void CDVBAVVideoDecoder::ReceivePictures(CDVBDisplay* display)
{
    while (avcodec_receive_frame(m_context, m_frame) == 0) {
        Present(*m_frame, display);
        av_frame_unref(m_frame);
    }
}

void CDVBAVVideoDecoder::Drain(CDVBDisplay* display)
{
    // The parser still holds the last access unit; then the decoder gives up
    // what it holds back for reordering and in its threads.
    uint8_t* unit = nullptr;
    int unitSize = 0;
    av_parser_parse2(m_parser, m_context, &unit, &unitSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (unitSize > 0)
        SendAccessUnit(unit, unitSize, m_parser->pts, display);
    avcodec_send_packet(m_context, nullptr);
    ReceivePictures(display);
    m_handoff.Finish(display);
    DropReferences();
}

void CDVBAVVideoDecoder::DropReferences()
{
    if (!IsValid())
        return;
    avcodec_flush_buffers(m_context);
    m_handoff.Discard();
    m_weaver.Reset();
    // A fresh parser, as the next sequence starts from nothing.
    av_parser_close(m_parser);
    m_parser = av_parser_init(CodecId(m_codec));
    m_keyFrameSeen = false;
}

void CDVBAVVideoDecoder::Present(const AVFrame& frame, CDVBDisplay* display)
{
    if (!m_keyFrameSeen && !frame.key_frame)
        return;
    m_keyFrameSeen = true;
    if (frame.pts != AV_NOPTS_VALUE)
        m_runningTime = frame.pts;
    else
        m_runningTime += FramePeriod();
    if (!display || !m_converter.Convert(frame))
        return;
    const bool fullRange = frame.color_range == AVCOL_RANGE_JPEG || frame.format == AV_PIX_FMT_YUVJ420P;
    m_handoff.SetColourSpace(DVBDeclaredColourSpace(frame.colorspace, fullRange, frame.width, frame.height));
    SDVBPicture picture;
    picture.width = m_converter.GetWidth();
    picture.height = m_converter.GetHeight();
    picture.Y = m_converter.GetPlane(0);
    picture.U = m_converter.GetPlane(1);
    picture.V = m_converter.GetPlane(2);
    picture.time = m_runningTime;
    // libavcodec marks H.264's field pairs, MBAFF frames and what its picture
    // timing calls interlaced. An HEVC picture it marks so is one field,
    // top when marked top first; the frame comes with its second field.
    picture.interlaced = frame.interlaced_frame;
    picture.topFieldFirst = frame.top_field_first;
    if (m_codec == DVBVideoCodec::HEVC && frame.interlaced_frame
        && !m_weaver.Add(SDVBPicture(picture), frame.top_field_first, picture))
        return;
    NoteShape(picture.width, picture.height, frame.sample_aspect_ratio);
    m_handoff.Deliver(display, picture);
}

void CDVBAVVideoDecoder::NoteShape(int width, int height, AVRational pixel)
{
    const int shape[4] = { width, height, pixel.num, pixel.den };
    if (std::memcmp(shape, m_shape, sizeof shape) == 0)
        return;
    std::memcpy(m_shape, shape, sizeof shape);
    // A stream that leaves the pixel shape unsaid (0:1) gives no aspect ratio.
    const bool known = pixel.num > 0 && pixel.den > 0;
    m_handoff.SetShape(
        known ? uint64_t(width) * unsigned(pixel.num) : 0, known ? uint64_t(height) * unsigned(pixel.den) : 0);
}

int64_t CDVBAVVideoDecoder::FramePeriod() const
{
    const AVRational rate = m_context->framerate;
    if (rate.num > 0 && rate.den > 0 && int64_t(rate.den) * 90000 / rate.num > 0)
        return int64_t(rate.den) * 90000 / rate.num;
    return kDefaultFramePeriod;
}
