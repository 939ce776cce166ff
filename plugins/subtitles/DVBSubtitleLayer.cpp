#include "DVBSubtitleLayer.h"

#include "DVBSubtitleReceiver.h"

void CDVBSubtitleLayer::DrawIntoFrame(
    int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time)
{
    bool merged = false;
    std::unique_ptr<CDVBSubtitleDisplaySet> set = m_receiver.TakeNextDisplaySet(time);
    // A display set without a page composition changes nothing.
    if (set && set->FindFirstSegment(DVB_SEGMENT_PAGE_COMPOSITION)) {
        merged = m_pageModel.Merge(*set);
        if (merged)
            m_pageModel.ClearUsedMarks();
    }
    set.reset();
    m_frame.SetFrame(width, height, pitch, Y, U, V);
    m_frame.DrawPageModel(m_pageModel);
    if (merged)
        m_pageModel.Sweep();
}
