#include "si/DVBProgram.h"

#include "si/DVBEITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBServiceDescriptor.h"

#include <strings.h>

CDVBProgram::CDVBProgram(unsigned short programNumber)
    : m_programNumber(programNumber)
    , m_serviceName(FormatString("Service %04d", programNumber))
{
}

void CDVBProgram::OnReceivePAT(CDVBPATSection* section, const CDVBPATEntry* entry)
{
    m_patSeen = true;
    m_pmtPID = entry->pid;
    m_transportStreamIdFromPAT = section->GetTableIdExtension();
}

void CDVBProgram::OnReceivePMT(CDVBPMTSection* section)
{
    m_pmtSeen = true;
    m_pcrPID = section->GetPCRPID();
    // Streams the PMT no longer lists stay as they were.
    for (const CDVBPMTEntry* entry : section->GetEntries()) {
        CDVBProgramElement* element = GetOrCreateProgramElement(entry->elementaryPID);
        element->SetStreamType(entry->streamType);
        element->GetDescriptors().CopyFrom(entry->descriptors);
    }
}

void CDVBProgram::OnReceiveSDT(CDVBSDTSection* section, const CDVBSDTEntry* entry)
{
    m_sdtSeen = true;
    m_transportStreamIdFromSDT = section->GetTableIdExtension();
    m_eitScheduleFlag = entry->eitScheduleFlag;
    m_eitPresentFollowingFlag = entry->eitPresentFollowingFlag;
    m_freeCAMode = entry->freeCAMode;
    m_runningStatus = entry->runningStatus;
    auto* service = dynamic_cast<CDVBServiceDescriptor*>(entry->descriptors.Find(DVB_TAG_SERVICE));
    if (service == nullptr)
        return;
    m_hasServiceDescriptor = true;
    m_serviceType = service->GetServiceType();
    m_providerName = service->GetProviderName();
    m_serviceName = service->GetServiceName();
}

void CDVBProgram::OnReceiveEIT(CDVBEITSection* section)
{
    m_eitSeen = true;
    m_schedule.Update(section);
}

int CDVBProgram::GetServiceTypeFromPMT() const
{
    bool video = false, audio = false, data = false;
    for (const CDVBProgramElement* element : m_elements) {
        const CString description = element->GetDescription();
        video |= strncasecmp(description.c_str(), "video", 5) == 0;
        audio |= strncasecmp(description.c_str(), "audio", 5) == 0;
        data |= strncasecmp(description.c_str(), "DSMCC", 5) == 0;
    }
    if (video)
        return DVB_SERVICE_TELEVISION;
    if (audio)
        return DVB_SERVICE_RADIO;
    return data ? DVB_SERVICE_DATA : DVB_SERVICE_UNKNOWN;
}

int CDVBProgram::GetServiceTypeFromSDT() const
{
    if (!m_hasServiceDescriptor)
        return DVB_SERVICE_UNKNOWN;
    switch (m_serviceType) {
    case 0x01:
        return DVB_SERVICE_TELEVISION;
    case 0x02:
        return DVB_SERVICE_RADIO;
    case 0x0C:
        return DVB_SERVICE_DATA;
    default:
        return DVB_SERVICE_UNKNOWN;
    }
}

CString CDVBProgram::GetServiceTypeText(int code)
{
    switch (code) {
    case DVB_SERVICE_UNKNOWN:
        return "unknown";
    case DVB_SERVICE_TELEVISION:
        return "digital television service";
    case DVB_SERVICE_RADIO:
        return "digital radio service";
    case DVB_SERVICE_DATA:
        return "data service";
    default:
        return "";
    }
}

CString CDVBProgram::GetAccessTypeText() const
{
    if (!m_sdtSeen)
        return "unknown";
    return m_freeCAMode ? "encrypted" : "free to air";
}
