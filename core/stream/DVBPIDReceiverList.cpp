#include "stream/DVBPIDReceiverList.h"

#include "stream/DVBPIDReceiver.h"

#include <algorithm>

CDVBPIDReceiverList::~CDVBPIDReceiverList()
{
    DeleteAll();
}

void CDVBPIDReceiverList::Add(CDVBPIDReceiver* receiver)
{
    CSingleLock lock(&m_lock, true);
    m_receivers.push_back(receiver);
}

template <typename Predicate> CDVBPIDReceiver* CDVBPIDReceiverList::RemoveFirst(Predicate matches)
{
    CSingleLock lock(&m_lock, true);
    auto found = std::find_if(m_receivers.begin(), m_receivers.end(), matches);
    if (found == m_receivers.end())
        return nullptr;
    CDVBPIDReceiver* receiver = *found;
    m_receivers.erase(found);
    return receiver;
}

bool CDVBPIDReceiverList::Remove(CDVBPIDReceiver* receiver)
{
    return RemoveFirst([receiver](CDVBPIDReceiver* held) { return held == receiver; }) != nullptr;
}

CDVBPIDReceiver* CDVBPIDReceiverList::RemoveFirstOfType(int type)
{
    return RemoveFirst([type](CDVBPIDReceiver* held) { return held->GetType() == type; });
}

CDVBPIDReceiver* CDVBPIDReceiverList::RemoveWithCookie(GUID* cookie)
{
    return RemoveFirst([cookie](CDVBPIDReceiver* held) { return held->HasCookie(cookie); });
}

CDVBPIDReceiver* CDVBPIDReceiverList::FindFirstOfType(int type)
{
    CSingleLock lock(&m_lock, true);
    for (CDVBPIDReceiver* receiver : m_receivers) {
        if (receiver->GetType() == type)
            return receiver;
    }
    return nullptr;
}

void CDVBPIDReceiverList::RemoveAll()
{
    CSingleLock lock(&m_lock, true);
    m_receivers.clear();
}

void CDVBPIDReceiverList::DeleteAll()
{
    CSingleLock lock(&m_lock, true);
    // Emptied first, so that a destructor that looks at the list finds nothing half-deleted.
    std::vector<CDVBPIDReceiver*> receivers;
    receivers.swap(m_receivers);
    for (CDVBPIDReceiver* receiver : receivers)
        delete receiver;
}

int CDVBPIDReceiverList::GetCount()
{
    CSingleLock lock(&m_lock, true);
    return static_cast<int>(m_receivers.size());
}

// Indexed loops: a callback may append to this list (same thread, re-entrant lock).
void CDVBPIDReceiverList::OnReceivePacket(uint64_t packetNumber, unsigned char* packet)
{
    CSingleLock lock(&m_lock, true);
    for (size_t i = 0; i < m_receivers.size(); i++)
        m_receivers[i]->OnReceivePacket(packetNumber, packet);
}

void CDVBPIDReceiverList::OnEverySecond()
{
    CSingleLock lock(&m_lock, true);
    for (size_t i = 0; i < m_receivers.size(); i++)
        m_receivers[i]->OnEverySecond();
}

void CDVBPIDReceiverList::OnStreamStartedAgain()
{
    CSingleLock lock(&m_lock, true);
    for (CDVBPIDReceiver* receiver : m_receivers)
        receiver->OnStreamStartedAgain();
}

void CDVBPIDReceiverList::OnEveryMillisecond()
{
    CSingleLock lock(&m_lock, true);
    for (size_t i = 0; i < m_receivers.size(); i++)
        m_receivers[i]->OnEveryMillisecond();
}

uint32_t CDVBPIDReceiverList::GetMillisecondsUntilNotification()
{
    CSingleLock lock(&m_lock, true);
    uint32_t wait = KRX_INFINITE;
    for (CDVBPIDReceiver* receiver : m_receivers)
        wait = std::min(wait, receiver->GetMillisecondsUntilNotification());
    return wait;
}
