#pragma once
// Base of every consumer of one PID, and the stateless functions every
// consumer uses to look into a 188-byte transport packet. None of them checks
// the sync byte, error indicator or continuity counter, and none copies data:
// results point into the caller's packet.
#include "platform/Event.h"
#include "platform/Guid.h"

#include <cstdint>

class CDVBProgramClock;
class CDVBDisplay;
class CDVBTeletextPages;
class CKRXDecoderPlugin;

// Receiver kinds, as returned by GetType.
enum EDVBReceiverType {
    DVB_RECEIVER_BASE = 0,
    DVB_RECEIVER_SI = 1,
    DVB_RECEIVER_PCR = 2,
    DVB_RECEIVER_VIDEO = 3,
    DVB_RECEIVER_AUDIO = 4,
    DVB_RECEIVER_SUBTITLES = 5,
};

// Bits of the result of the time-stamp functions.
enum : unsigned long { DVB_PTS_PRESENT = 1, DVB_DTS_PRESENT = 2 };

constexpr unsigned long DVB_PACKET_SIZE = 188;
constexpr unsigned DVB_PID_COUNT = 8192;

class CDVBPIDReceiver
{
public:
    CDVBPIDReceiver() = default;
    CDVBPIDReceiver(const CDVBPIDReceiver&) = default;
    CDVBPIDReceiver& operator=(const CDVBPIDReceiver&) = default;

    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBPIDReceiver() = default;
    virtual void Start() { }
    virtual void Stop() { }
    virtual void OnReceivePacket(uint64_t packetNumber, unsigned char* packet);
    virtual void SetPID(unsigned short pid) { m_pid = pid; }
    virtual unsigned short GetPID() { return m_pid; }
    virtual void OnEverySecond() { }
    virtual void OnEveryMillisecond() { }
    virtual bool RequiresTimeNotifications() { return false; }
    virtual int GetType() { return m_type; }
    virtual CKRXDecoderPlugin* GetPlugin() { return nullptr; }
    virtual void SetCookie(GUID* cookie) { m_cookie = *cookie; }
    virtual bool HasCookie(GUID* cookie) { return m_cookie == *cookie; }
    virtual void SetProgramClock(CDVBProgramClock* clock) { m_programClock = clock; }
    virtual bool RequiresDisplay() { return false; }
    virtual bool SetDisplay(CDVBDisplay*) { return false; }
    virtual bool UnsetDisplay(CDVBDisplay*) { return false; }
    // The source began its stream again (a file's next loop): a packet that
    // follows continues nothing that came before it.
    virtual void OnStreamStartedAgain() { }
    // The stream type of the coding a sound decoder found its stream to be
    // in when that is not its own (a PMT may type AAC as MPEG audio); 0 else.
    virtual unsigned char GetDetectedStreamType() { return 0; }
    // The pages of a teletext receiver; null for every other kind.
    virtual CDVBTeletextPages* GetTeletextPages() { return nullptr; }
    // For a receiver that requires time notifications: how long it can wait
    // for the next OnEveryMillisecond, KRX_INFINITE when it needs none for
    // now. An answer that is too short costs only a wake-up; one too long
    // makes the receiver late.
    virtual uint32_t GetMillisecondsUntilNotification() { return 1; }

    static bool GetPacketPayload(unsigned char* packet, unsigned char*& payload, unsigned long& size);
    static bool GetPacketAdaptationField(unsigned char* packet, unsigned char*& field, unsigned char& length);
    // The adaptation field says the clock goes on from a new base.
    static bool HasDiscontinuityIndicator(unsigned char* packet);
    // The adaptation field says a key picture (or the like) starts here.
    static bool HasRandomAccessIndicator(unsigned char* packet);
    static unsigned long GetTimeStampsFromPESData(unsigned char* pes, unsigned long size, int64_t& pts, int64_t& dts);
    static unsigned long GetTimeStampsFromPacket(unsigned char* packet, int64_t& pts, int64_t& dts);
    static bool GetPESInternalData(unsigned char* packet, unsigned char*& data, unsigned long& size);
    // Moves data past the PES header that starts it; false if the header runs past size.
    static bool SkipPESHeader(unsigned char*& data, unsigned long& size);

    static bool IsPayloadUnitStart(const unsigned char* packet) { return (packet[1] & 0x40) != 0; }
    static unsigned short GetPacketPID(const unsigned char* packet)
    {
        return static_cast<unsigned short>(((packet[1] & 0x1F) << 8) | packet[2]);
    }

protected:
    unsigned short m_pid = 0xFFFF;
    int m_type = DVB_RECEIVER_BASE;
    GUID m_cookie;
    CDVBProgramClock* m_programClock = nullptr;
};
