#pragma once
// A locked first-in, first-out list of frames; it owns what it holds. The
// lock is held only inside one operation.
#include "DVBVideoFrame.h"

#include "platform/CriticalSection.h"

#include <deque>
#include <functional>

class CDVBVideoFrameList
{
public:
    CDVBVideoFrameList() = default;
    virtual ~CDVBVideoFrameList() { DeleteAll(); }
    CDVBVideoFrameList(const CDVBVideoFrameList&) = delete;
    CDVBVideoFrameList& operator=(const CDVBVideoFrameList&) = delete;

    // Returns how many frames the list holds with this one.
    size_t Append(CDVBVideoFrame* frame);
    // The front frame's time; false when the list is empty.
    bool GetFrontTime(int64_t& time);
    // The front frame, or null when the list is empty.
    CDVBVideoFrame* TakeFront();
    // The front frame when the programme clock has reached its time (on the
    // 33-bit circle), else null. Later frames never overtake it.
    CDVBVideoFrame* TakeFrontIfDue(int64_t clock);
    // The front frame when the test holds for it, else null.
    CDVBVideoFrame* TakeFrontIf(const std::function<bool(const CDVBVideoFrame&)>& test);
    void DeleteAll();
    size_t GetCount();

private:
    CCriticalSection m_section;
    std::deque<CDVBVideoFrame*> m_frames;
};
