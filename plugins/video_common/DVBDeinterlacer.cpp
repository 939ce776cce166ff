#include "DVBDeinterlacer.h"

#include "stream/DVBTiming.h"

namespace {
// The filter to use on this picture, or Off.
CKRXDeinterlace::Mode MethodFor(const SDVBPicture& picture, CKRXDeinterlace::Mode mode)
{
    if (mode == CKRXDeinterlace::Auto)
        return picture.interlaced ? CKRXDeinterlace::Bwdif : CKRXDeinterlace::Off;
    return mode;
}
} // namespace

CDVBDeinterlacer::CDVBDeinterlacer(std::unique_ptr<CDVBFieldFilter> filter)
    : m_filter(std::move(filter))
{
}

CDVBDeinterlacer::~CDVBDeinterlacer()
{
    Discard();
}

void CDVBDeinterlacer::Process(const SDVBPicture& picture, CKRXDeinterlace::Mode mode, const Sink& sink)
{
    const CKRXDeinterlace::Mode method = MethodFor(picture, mode);
    if (method == CKRXDeinterlace::Off) {
        Finish(sink);
        sink(picture);
        return;
    }
    if (!Fits(picture, method)) {
        Finish(sink);
        if (!Open(picture, method)) {
            sink(picture);
            return;
        }
    }
    SDVBPicture counted = picture;
    counted.time = DVBClockDifference(picture.time, m_base);
    if (!m_filter->Push(counted)) {
        sink(picture);
        return;
    }
    m_lastTime = counted.time;
    Drain(sink);
}

bool CDVBDeinterlacer::Fits(const SDVBPicture& picture, CKRXDeinterlace::Mode method) const
{
    return m_open && picture.width == m_width && picture.height == m_height && method == m_method
        && DVBClockDifference(picture.time, m_base) > m_lastTime;
}

bool CDVBDeinterlacer::Open(const SDVBPicture& picture, CKRXDeinterlace::Mode method)
{
    m_open = m_filter->Open(picture.width, picture.height, method);
    m_width = picture.width;
    m_height = picture.height;
    m_method = method;
    m_base = picture.time;
    m_lastTime = -1;
    return m_open;
}

void CDVBDeinterlacer::Drain(const Sink& sink)
{
    SDVBPicture field;
    while (m_filter->Pull(field)) {
        field.time = DVBClockModulo(m_base + field.time);
        sink(field);
    }
}

void CDVBDeinterlacer::Finish(const Sink& sink)
{
    if (!m_open)
        return;
    m_filter->PushEnd();
    Drain(sink);
    Discard();
}

void CDVBDeinterlacer::Discard()
{
    if (m_open)
        m_filter->Close();
    m_open = false;
}
