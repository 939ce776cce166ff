#include "DVBSubtitleDrawTarget.h"

#include "DVBSubtitleDisplaySet.h"

bool CDVBSubtitleDrawTarget::SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry&)
{
    return x < m_display.windowWidth && y < m_display.windowHeight;
}

void CDVBSubtitleDrawTarget::DrawPageModel(CDVBSubtitleDisplaySet& pageModel)
{
    m_pageModel = &pageModel;
    m_display = pageModel.GetDisplayDefinition();
    BeginPage();
    if (CDVBSubtitleSegment* page = pageModel.FindFirstSegment(DVB_SEGMENT_PAGE_COMPOSITION))
        page->Draw(*this);
    EndPage();
}
