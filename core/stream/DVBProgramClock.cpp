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
    if (m_receiver == nullptr || m_pcrReceiver == nullptr)
        return false;
    if (!now)
        return m_pcrReceiver->EstimateClockAtPacket(m_receiver->GetPacketsReceived(), clock);
    return m_pcrReceiver->EstimateClockAtTime(
        double(CDVBTiming::GetSystemClockFrequency()), double(CDVBTiming::GetSystemClock()), clock);
}
