#pragma once
// Turns a planar 4:2:0 picture into 32-bit RGB pixels of another size in one
// pass, bilinear, with the picture's own matrix and range: libswscale, with
// its SIMD conversions, behind the few calls the video window needs.
#include "DVBDisplaySurface.h"

#include <cstdint>

struct SwsContext;

class CDVBPictureScaler
{
public:
    // The 32-bit layouts a window's memory may have, named as in memory.
    enum class Layout { BGRX, RGBX };

    explicit CDVBPictureScaler(Layout layout = Layout::BGRX);
    ~CDVBPictureScaler();
    CDVBPictureScaler(const CDVBPictureScaler&) = delete;
    CDVBPictureScaler& operator=(const CDVBPictureScaler&) = delete;

    void SetColourSpace(const SDVBColourSpace& space);
    // The width x height picture into targetWidth x targetHeight pixels whose
    // rows are targetPitch bytes apart. False when libswscale cannot do it.
    bool Scale(const SDVBSurfacePlanes& picture, int width, int height, void* target, int targetPitch, int targetWidth,
        int targetHeight);

private:
    Layout m_layout;
    SwsContext* m_context = nullptr;
    SDVBColourSpace m_space;
    // The context's colour details are set again when it or the space changes.
    bool m_spaceApplied = false;
};
