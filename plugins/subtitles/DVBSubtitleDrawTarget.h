#pragma once
// What a page is drawn onto, and the drawing walk's place in the page:
// segments set the current page, region, references and colour table as the
// walk goes down from page to regions to objects to pixels. Pixels are given
// in the coordinates of the page's display window.
#include "DVBCLUTEntry.h"
#include "DVBDisplayDefinitionSegment.h"

class CDVBSubtitleDisplaySet;
class CDVBPageCompositionSegment;
class CDVBRegionCompositionSegment;
class CDVBCLUTDefinitionSegment;
struct CDVBRegionReference;
struct CDVBObjectReference;

class CDVBSubtitleDrawTarget
{
public:
    CDVBSubtitleDrawTarget() = default;
    CDVBSubtitleDrawTarget(const CDVBSubtitleDrawTarget&) = delete;
    CDVBSubtitleDrawTarget& operator=(const CDVBSubtitleDrawTarget&) = delete;

    virtual ~CDVBSubtitleDrawTarget() = default;
    // Paints one pixel; false when it lies outside the window or the target.
    virtual bool SetPixel(uint16_t x, uint16_t y, const CDVBCLUTEntry& entry);
    virtual void BeginPage() { }
    virtual void EndPage() { }

    // Draws the first page composition of the model, if it has one, for the
    // model's display.
    void DrawPageModel(CDVBSubtitleDisplaySet& pageModel);

    CDVBSubtitleDisplaySet* m_pageModel = nullptr;
    CDVBDisplayDefinition m_display;
    CDVBPageCompositionSegment* m_page = nullptr;
    const CDVBRegionReference* m_regionReference = nullptr;
    CDVBRegionCompositionSegment* m_region = nullptr;
    const CDVBObjectReference* m_objectReference = nullptr;
    const CDVBCLUTDefinitionSegment* m_colourTable = nullptr;
};
