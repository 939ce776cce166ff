#include "timers/KRXEventRunningStatus.h"

#include "si/DVBScheduleEntry.h"

unsigned char FindEventRunningStatus(
    const std::vector<CDVBGuideService>& guide, unsigned short serviceId, int eventId, bool& eventSeen)
{
    unsigned char own = DVB_RUNNING_UNDEFINED;
    bool otherRunning = false;
    for (const CDVBGuideService& service : guide) {
        if (service.serviceId != serviceId)
            continue;
        for (const CDVBEvent& event : service.events) {
            if (event.eventId == eventId)
                own = event.runningStatus;
            else
                otherRunning = otherRunning || event.runningStatus == DVB_RUNNING_RUNNING;
        }
    }
    eventSeen = eventSeen || own != DVB_RUNNING_UNDEFINED;
    // An event gone from present/following while another runs has ended.
    if (own == DVB_RUNNING_UNDEFINED && eventSeen && otherRunning)
        return DVB_RUNNING_NOT_RUNNING;
    return own;
}
