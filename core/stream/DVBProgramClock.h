#pragma once
// The programme clock (90 kHz) of one service, reconstructed on demand from
// its PCR receiver: either at the packet being dispatched (to stamp incoming
// data) or at the present instant, from when its PCRs arrived (to present it).
// The receiver is set before decoders use the clock; the PCR receiver may be
// bound later (a service chosen before its programme map came), so it is
// published atomically.
#include <atomic>
#include <cstdint>

class CDVBTransportStreamReceiver;
class CDVBPCRReceiver;

class CDVBProgramClock
{
public:
    CDVBProgramClock() = default;
    virtual ~CDVBProgramClock() = default;

    void SetTransportStreamReceiver(CDVBTransportStreamReceiver* receiver) { m_receiver = receiver; }
    // Binds the clock to the programme's PCR receiver; false (keeping the
    // previous one) while the programme has none.
    bool SetProgram(unsigned short programNumber);
    // Virtual so that tests can stand a scripted clock in its place.
    virtual bool GetProgramClock(int64_t& clock, bool now);
    // Grows at every break in the clock (see CDVBPCRReceiver); 0 without a PCR receiver.
    virtual unsigned GetDiscontinuityCount() const;

protected:
    void SetPCRReceiver(CDVBPCRReceiver* receiver) { m_pcrReceiver = receiver; }

private:
    CDVBTransportStreamReceiver* m_receiver = nullptr;
    std::atomic<CDVBPCRReceiver*> m_pcrReceiver { nullptr };
};
