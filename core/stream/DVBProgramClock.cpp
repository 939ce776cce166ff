#include "stream/DVBProgramClock.h"

#include "stream/DVBPCRReceiver.h"
#include "stream/DVBTiming.h"
#include "stream/DVBTransportStreamReceiver.h"

bool CDVBProgramClock::SetProgram(unsigned short programNumber)
{
    if (m_receiver == nullptr)
        return false;
    CDVBPCRReceiver* receiver = m_receiver->GetPCRReceiver(programNumber);
    if (receiver == nullptr)
        return false;
    SetPCRReceiver(receiver);
    return true;
}

bool CDVBProgramClock::GetProgramClock(int64_t& clock, bool now)
{
    CDVBPCRReceiver* pcrReceiver = m_pcrReceiver.load(std::memory_order_acquire);
    if (m_receiver == nullptr || pcrReceiver == nullptr)
        return false;
    if (!now)
        return pcrReceiver->EstimateClockAtPacket(m_receiver->GetPacketsReceived(), clock);
    return pcrReceiver->EstimateClockAtTime(
        double(CDVBTiming::GetSystemClockFrequency()), double(CDVBTiming::GetSystemClock()), clock);
}

unsigned CDVBProgramClock::GetDiscontinuityCount() const
{
    CDVBPCRReceiver* pcrReceiver = m_pcrReceiver.load(std::memory_order_acquire);
    return pcrReceiver ? pcrReceiver->GetDiscontinuityCount() : 0;
}
