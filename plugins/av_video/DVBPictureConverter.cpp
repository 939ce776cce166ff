#include "DVBPictureConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

CDVBPictureConverter::~CDVBPictureConverter()
{
    sws_freeContext(m_scaler);
}

bool CDVBPictureConverter::Convert(const AVFrame& frame)
{
    m_width = frame.width & ~1;
    m_height = frame.height & ~1;
    m_planes[0] = m_planes[1] = m_planes[2] = nullptr;
    if (m_width < 2 || m_height < 2)
        return false;
    if (!IsDisplayForm(frame))
        return Scale(frame);
    for (int plane = 0; plane < 3; plane++)
        m_planes[plane] = frame.data[plane];
    return true;
}

bool CDVBPictureConverter::IsDisplayForm(const AVFrame& frame) const
{
    const bool eightBit420 = frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P;
    return eightBit420 && frame.linesize[0] == m_width && frame.linesize[1] == m_width / 2
        && frame.linesize[2] == m_width / 2;
}

bool CDVBPictureConverter::Scale(const AVFrame& frame)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    // The same size in and out: only depth and chroma layout change.
    m_scaler = sws_getCachedContext(m_scaler, m_width, m_height, format, m_width, m_height, AV_PIX_FMT_YUV420P,
        SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!m_scaler)
        return false;
    const size_t luma = size_t(m_width) * m_height;
    m_picture.resize(luma + luma / 2);
    unsigned char* planes[3] = { m_picture.data(), m_picture.data() + luma, m_picture.data() + luma + luma / 4 };
    const int pitches[3] = { m_width, m_width / 2, m_width / 2 };
    if (sws_scale(m_scaler, frame.data, frame.linesize, 0, m_height, planes, pitches) != m_height)
        return false;
    for (int plane = 0; plane < 3; plane++)
        m_planes[plane] = planes[plane];
    return true;
}
