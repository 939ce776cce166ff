#pragma once
// The layers drawn over every picture, in the order they were added. The
// layers belong to whoever added them. Drawing holds the list's lock, so once
// Remove has returned the layer is never called again.
#include "plugin/DVBDisplayLayer.h"

#include "platform/CriticalSection.h"

#include <vector>

class CDVBDisplayLayerList
{
public:
    virtual ~CDVBDisplayLayerList() = default;

    void Add(CDVBDisplayLayer* layer);
    // Removes the first entry equal to the layer; false when it was not there.
    bool Remove(CDVBDisplayLayer* layer);
    void DrawAll(int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time);

private:
    CCriticalSection m_section;
    std::vector<CDVBDisplayLayer*> m_layers;
};
