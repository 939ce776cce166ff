#pragma once
// A first-in-first-out queue of updates that a user-interface thread drains
// on a timer. The receive thread produces; the lock is held only for one
// queue operation.
#include "platform/CriticalSection.h"
#include "si/DVBTransportStreamUpdateHandler.h"

#include <atomic>
#include <deque>

class CDVBStandardTSUpdateHandler : public CDVBTransportStreamUpdateHandler
{
public:
    CDVBStandardTSUpdateHandler() = default;
    ~CDVBStandardTSUpdateHandler() override;

    void OnServiceInformationUpdate(unsigned short id, int type) override;

    // Cheap test without the lock; a stale answer only delays the consumer a tick.
    bool HaveUpdatesOccurred() const { return m_updatesOccurred.load(std::memory_order_acquire); }
    // Takes the oldest update; false (arguments untouched) when there is none.
    bool RemoveUpdate(unsigned short& id, int& type);
    void ClearUpdates();

private:
    struct Update {
        unsigned short id;
        int type;
    };

    std::atomic<bool> m_updatesOccurred { false };
    CCriticalSection m_lock;
    std::deque<Update> m_updates;
};
