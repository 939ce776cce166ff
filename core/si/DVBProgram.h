#pragma once
// One programme (service) of a multiplex: what its PAT entry, PMT, SDT entry
// and present/following EIT said about it. Readers hold the programme lock of
// whoever owns the programme list while they use it.
#include "platform/CString.h"
#include "si/DVBProgramElementList.h"
#include "si/DVBSchedule.h"

class CDVBPATSection;
struct CDVBPATEntry;
class CDVBPMTSection;
class CDVBSDTSection;
struct CDVBSDTEntry;
class CDVBEITSection;

constexpr unsigned short DVB_NO_PID = 0xFFFF;

// Service types as GetServiceTypeFromPMT and GetServiceTypeFromSDT give them.
enum : int {
    DVB_SERVICE_UNKNOWN = 0,
    DVB_SERVICE_TELEVISION = 1,
    DVB_SERVICE_RADIO = 2,
    DVB_SERVICE_DATA = 3,
};

class CDVBProgram
{
public:
    explicit CDVBProgram(unsigned short programNumber);
    CDVBProgram(const CDVBProgram&) = delete;
    CDVBProgram& operator=(const CDVBProgram&) = delete;
    virtual ~CDVBProgram() = default;

    CDVBProgramElement* GetProgramElement(unsigned short pid) const { return m_elements.Find(pid); }
    CDVBProgramElement* GetOrCreateProgramElement(unsigned short pid) { return m_elements.GetOrCreate(pid); }

    void OnReceivePAT(CDVBPATSection* section, const CDVBPATEntry* entry);
    void OnReceivePMT(CDVBPMTSection* section);
    void OnReceiveSDT(CDVBSDTSection* section, const CDVBSDTEntry* entry);
    void OnReceiveEIT(CDVBEITSection* section);

    int GetServiceTypeFromPMT() const;
    int GetServiceTypeFromSDT() const;
    static CString GetServiceTypeText(int code);
    // The name of the SDT's service type ("H.264/AVC HD digital television
    // service"); "unknown" without a service descriptor.
    CString GetSDTServiceTypeName() const;
    // "unknown" before any SDT, then "encrypted" or "free to air".
    CString GetAccessTypeText() const;

    unsigned short GetProgramNumber() const { return m_programNumber; }
    bool HasSeenPAT() const { return m_patSeen; }
    unsigned short GetPMTPID() const { return m_pmtPID; }
    unsigned short GetTransportStreamIdFromPAT() const { return m_transportStreamIdFromPAT; }
    bool HasSeenPMT() const { return m_pmtSeen; }
    unsigned short GetPCRPID() const { return m_pcrPID; }
    void SetPCRPID(unsigned short pid) { m_pcrPID = pid; }
    const CDVBProgramElementList& GetElements() const { return m_elements; }
    bool HasSeenSDT() const { return m_sdtSeen; }
    // 0xFFFF until an SDT has named the service.
    unsigned short GetTransportStreamIdFromSDT() const { return m_transportStreamIdFromSDT; }
    unsigned char GetEITScheduleFlag() const { return m_eitScheduleFlag; }
    unsigned char GetEITPresentFollowingFlag() const { return m_eitPresentFollowingFlag; }
    unsigned char GetFreeCAMode() const { return m_freeCAMode; }
    unsigned char GetRunningStatus() const { return m_runningStatus; }
    bool HasServiceDescriptor() const { return m_hasServiceDescriptor; }
    unsigned char GetServiceType() const { return m_serviceType; }
    const CString& GetProviderName() const { return m_providerName; }
    const CString& GetServiceName() const { return m_serviceName; }
    bool HasSeenEIT() const { return m_eitSeen; }
    CDVBSchedule* GetSchedule() { return &m_schedule; }
    // The logical channel number the NIT gives the service, or -1; services
    // the broadcaster would not list are not visible.
    int GetChannelNumber() const { return m_channelNumber; }
    bool IsVisible() const { return m_visible; }
    void SetChannelNumber(int number, bool visible)
    {
        m_channelNumber = number;
        m_visible = visible;
    }

private:
    unsigned short m_programNumber;
    bool m_patSeen = false;
    unsigned short m_pmtPID = DVB_NO_PID;
    unsigned short m_transportStreamIdFromPAT = 0xFFFF;
    bool m_pmtSeen = false;
    unsigned short m_pcrPID = DVB_NO_PID;
    CDVBProgramElementList m_elements;
    bool m_sdtSeen = false;
    unsigned short m_transportStreamIdFromSDT = 0xFFFF;
    unsigned char m_eitScheduleFlag = 0;
    unsigned char m_eitPresentFollowingFlag = 0;
    unsigned char m_freeCAMode = 0;
    unsigned char m_runningStatus = 0;
    bool m_hasServiceDescriptor = false;
    unsigned char m_serviceType = 0;
    CString m_providerName;
    CString m_serviceName;
    bool m_eitSeen = false;
    CDVBSchedule m_schedule;
    int m_channelNumber = -1;
    bool m_visible = true;
};
