#pragma once
// The receivers registered for one PID (or for time notifications), in the
// order they were added, with the lock that is held while any of them is
// called. Callbacks may add receivers to the list they are called from (a
// PMT may name its own PID as PCR PID); those join in at once.
#include "platform/CriticalSection.h"
#include "platform/Guid.h"

#include <cstdint>
#include <vector>

class CDVBPIDReceiver;

class CDVBPIDReceiverList
{
public:
    CDVBPIDReceiverList() = default;
    // Deletes the receivers still held.
    virtual ~CDVBPIDReceiverList();
    CDVBPIDReceiverList(const CDVBPIDReceiverList&) = delete;
    CDVBPIDReceiverList& operator=(const CDVBPIDReceiverList&) = delete;

    void Add(CDVBPIDReceiver* receiver);
    // Takes out one receiver; false if it is not held.
    bool Remove(CDVBPIDReceiver* receiver);
    // Take out and return the first matching receiver, or null; nothing is deleted.
    CDVBPIDReceiver* RemoveFirstOfType(int type);
    CDVBPIDReceiver* RemoveWithCookie(GUID* cookie);
    CDVBPIDReceiver* FindFirstOfType(int type);
    // Calls visit with the first receiver of the type while the list stays
    // locked, so that no other thread can delete it meanwhile; false if none.
    template <typename Visit> bool VisitFirstOfType(int type, Visit&& visit)
    {
        CSingleLock lock(&m_lock, true);
        CDVBPIDReceiver* receiver = FindFirstOfType(type);
        if (receiver != nullptr)
            visit(receiver);
        return receiver != nullptr;
    }
    // Empties the list without deleting the receivers.
    void RemoveAll();
    void DeleteAll();
    int GetCount();

    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet);
    void OnEverySecond();
    void OnEveryMillisecond();
    // The shortest wait any receiver asks before its next time notification.
    uint32_t GetMillisecondsUntilNotification();
    void OnStreamStartedAgain();

private:
    template <typename Predicate> CDVBPIDReceiver* RemoveFirst(Predicate matches);

    std::vector<CDVBPIDReceiver*> m_receivers;
    CCriticalSection m_lock;
};
