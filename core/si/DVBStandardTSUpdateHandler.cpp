#include "si/DVBStandardTSUpdateHandler.h"

CDVBStandardTSUpdateHandler::~CDVBStandardTSUpdateHandler()
{
    ClearUpdates();
}

void CDVBStandardTSUpdateHandler::OnServiceInformationUpdate(unsigned short id, int type)
{
    CSingleLock hold(&m_lock, true);
    m_updates.push_back({ id, type });
    m_updatesOccurred.store(true, std::memory_order_release);
}

bool CDVBStandardTSUpdateHandler::RemoveUpdate(unsigned short& id, int& type)
{
    CSingleLock hold(&m_lock, true);
    if (m_updates.empty())
        return false;
    id = m_updates.front().id;
    type = m_updates.front().type;
    m_updates.pop_front();
    if (m_updates.empty())
        m_updatesOccurred.store(false, std::memory_order_release);
    return true;
}

void CDVBStandardTSUpdateHandler::ClearUpdates()
{
    CSingleLock hold(&m_lock, true);
    m_updates.clear();
    m_updatesOccurred.store(false, std::memory_order_release);
}
