#include "DVBSubtitleDrawTarget.h"

#include "DVBPixelDataDecoder.h"
#include "DVBSubtitleDisplaySet.h"

bool CDVBSubtitleDrawTarget::SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry&)
{
    return x < DVB_SUBTITLE_WIDTH && y < DVB_SUBTITLE_HEIGHT;
}

void CDVBSubtitleDrawTarget::DrawPageModel(CDVBSubtitleDisplaySet& pageModel)
{
    m_pageModel = &pageModel;
    BeginPage();
    if (CDVBSubtitleSegment* page = pageModel.FindFirstSegment(DVB_SEGMENT_PAGE_COMPOSITION))
        page->Draw(*this);
    EndPage();
}
