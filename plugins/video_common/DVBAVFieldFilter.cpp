#include "DVBAVFieldFilter.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

namespace {
constexpr AVRational kInputTimeBase { 1, 90000 };
} // namespace

CDVBAVFieldFilter::CDVBAVFieldFilter()
    : m_output(av_frame_alloc())
{
}

CDVBAVFieldFilter::~CDVBAVFieldFilter()
{
    Close();
    av_frame_free(&m_output);
}

bool CDVBAVFieldFilter::Open(int width, int height, CKRXDeinterlace::Mode method)
{
    Close();
    if (!m_output || width < 2 || height < 2 || (width | height) & 1 || !Build(width, height, method)) {
        Close();
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

bool CDVBAVFieldFilter::Build(int width, int height, CKRXDeinterlace::Mode method)
{
    m_graph = avfilter_graph_alloc();
    if (!m_graph)
        return false;
    // The decoder already has the processor's cores busy.
    m_graph->nb_threads = 1;
    char source[128];
    std::snprintf(source, sizeof source, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=1/1", width, height,
        AV_PIX_FMT_YUV420P, kInputTimeBase.num, kInputTimeBase.den);
    const char* name = method == CKRXDeinterlace::Yadif ? "yadif" : "bwdif";
    AVFilterContext* field = nullptr;
    return avfilter_graph_create_filter(&m_source, avfilter_get_by_name("buffer"), "in", source, nullptr, m_graph) >= 0
        && avfilter_graph_create_filter(
               &field, avfilter_get_by_name(name), "fields", "mode=send_field:parity=auto:deint=all", nullptr, m_graph)
        >= 0
        && avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, m_graph)
        >= 0
        && avfilter_link(m_source, 0, field, 0) >= 0 && avfilter_link(field, 0, m_sink, 0) >= 0
        && avfilter_graph_config(m_graph, nullptr) >= 0;
}

bool CDVBAVFieldFilter::Push(const SDVBPicture& picture)
{
    if (!m_graph || picture.width != m_width || picture.height != m_height)
        return false;
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        return false;
    frame->width = m_width;
    frame->height = m_height;
    frame->format = AV_PIX_FMT_YUV420P;
    bool pushed = false;
    if (av_frame_get_buffer(frame, 0) >= 0) {
        const uint8_t* planes[4] = { picture.Y, picture.U, picture.V, nullptr };
        const int pitches[4] = { m_width, m_width / 2, m_width / 2, 0 };
        av_image_copy(frame->data, frame->linesize, planes, pitches, AV_PIX_FMT_YUV420P, m_width, m_height);
        frame->pts = picture.time;
        frame->interlaced_frame = 1;
        frame->top_field_first = picture.topFieldFirst;
        pushed = av_buffersrc_add_frame(m_source, frame) >= 0;
    }
    av_frame_free(&frame);
    return pushed;
}

void CDVBAVFieldFilter::PushEnd()
{
    // A graph that cannot take the end gives up what it holds at Close.
    if (m_graph && av_buffersrc_add_frame(m_source, nullptr) < 0)
        Close();
}

bool CDVBAVFieldFilter::Pull(SDVBPicture& picture)
{
    if (!m_graph)
        return false;
    av_frame_unref(m_output);
    if (av_buffersink_get_frame(m_sink, m_output) < 0)
        return false;
    picture = SDVBPicture();
    picture.width = m_width;
    picture.height = m_height;
    picture.time = av_rescale_q(m_output->pts, av_buffersink_get_time_base(m_sink), kInputTimeBase);
    Unpad(picture);
    return true;
}

void CDVBAVFieldFilter::Unpad(SDVBPicture& picture)
{
    const int chromaWidth = m_width / 2;
    if (m_output->linesize[0] == m_width && m_output->linesize[1] == chromaWidth
        && m_output->linesize[2] == chromaWidth) {
        picture.Y = m_output->data[0];
        picture.U = m_output->data[1];
        picture.V = m_output->data[2];
        return;
    }
    const size_t luma = size_t(m_width) * m_height;
    m_packed.resize(luma + luma / 2);
    uint8_t* planes[4] = { m_packed.data(), m_packed.data() + luma, m_packed.data() + luma + luma / 4, nullptr };
    int pitches[4] = { m_width, chromaWidth, chromaWidth, 0 };
    av_image_copy(planes, pitches, const_cast<const uint8_t**>(m_output->data), m_output->linesize, AV_PIX_FMT_YUV420P,
        m_width, m_height);
    picture.Y = planes[0];
    picture.U = planes[1];
    picture.V = planes[2];
}

void CDVBAVFieldFilter::Close()
{
    if (m_output)
        av_frame_unref(m_output);
    avfilter_graph_free(&m_graph);
    m_source = m_sink = nullptr;
    m_width = m_height = 0;
}
