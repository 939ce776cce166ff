#pragma once
// Decides for each picture whether it goes through the field filter, and
// keeps the filter fitting the pictures: opened for interlaced pictures,
// reopened at a size or method change, emptied and closed as soon as a
// picture should pass untouched, so a progressive stream is never filtered
// and a switch is followed at the first picture of the other kind. The filter
// sees times counted from the first picture it was opened for, so they rise
// across the programme clock's wrap; a time that goes back starts it afresh.
#include "DVBFieldFilter.h"
#include "DVBPicture.h"

#include <cstdint>
#include <functional>
#include <memory>

class CDVBDeinterlacer
{
public:
    using Sink = std::function<void(const SDVBPicture&)>;

    explicit CDVBDeinterlacer(std::unique_ptr<CDVBFieldFilter> filter);
    ~CDVBDeinterlacer();
    CDVBDeinterlacer(const CDVBDeinterlacer&) = delete;
    CDVBDeinterlacer& operator=(const CDVBDeinterlacer&) = delete;

    // Gives the sink the picture, or the pictures the filter makes of its
    // fields, in time order. A picture the filter cannot take passes untouched.
    void Process(const SDVBPicture& picture, CKRXDeinterlace::Mode mode, const Sink& sink);
    // The stream ended: the picture held back comes out.
    void Finish(const Sink& sink);
    // The stream broke: what is held belongs to the old timeline and goes.
    void Discard();

private:
    bool Fits(const SDVBPicture& picture, CKRXDeinterlace::Mode method) const;
    bool Open(const SDVBPicture& picture, CKRXDeinterlace::Mode method);
    void Drain(const Sink& sink);

    std::unique_ptr<CDVBFieldFilter> m_filter;
    bool m_open = false;
    int m_width = 0;
    int m_height = 0;
    CKRXDeinterlace::Mode m_method = CKRXDeinterlace::Off;
    int64_t m_base = 0;
    int64_t m_lastTime = 0;
};
