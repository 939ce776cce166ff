#include "DVBDisplayLayerList.h"

#include <algorithm>

void CDVBDisplayLayerList::Add(CDVBDisplayLayer* layer)
{
    CSingleLock lock(&m_section, true);
    m_layers.push_back(layer);
}

bool CDVBDisplayLayerList::Remove(CDVBDisplayLayer* layer)
{
    CSingleLock lock(&m_section, true);
    auto found = std::find(m_layers.begin(), m_layers.end(), layer);
    if (found == m_layers.end())
        return false;
    m_layers.erase(found);
    return true;
}

void CDVBDisplayLayerList::DrawAll(
    int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time)
{
    CSingleLock lock(&m_section, true);
    for (CDVBDisplayLayer* layer : m_layers)
        layer->DrawIntoFrame(width, height, pitch, Y, U, V, time);
}
