#pragma once
// Shows pictures nowhere: the display still paces, draws the layers and
// counts, so a run without a screen behaves like one with it.
#include "DVBPlaneBuffer.h"

class CDVBNullSurface : public CDVBDisplaySurface
{
public:
    bool Open(CString&) override { return true; }
    bool Create(int width, int height, CString&) override
    {
        m_buffer.SetSize(width, height);
        return true;
    }
    bool Lock(SDVBSurfacePlanes& planes) override
    {
        planes = m_buffer.GetPlanes();
        return true;
    }
    void Unlock() override { }
    void Present(int64_t, bool) override { }

private:
    CDVBPlaneBuffer m_buffer;
};
