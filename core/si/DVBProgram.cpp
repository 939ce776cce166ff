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

namespace {
struct SDTServiceType {
    unsigned char code;
    const char* name;
    int type;
};

// The service types of the SDT's service descriptor, with the kind of
// service each is: the television services of every codec, the sound
// services and data broadcast.
constexpr SDTServiceType SDT_SERVICE_TYPES[] = {
    { 0x01, "digital television service", DVB_SERVICE_TELEVISION },
    { 0x02, "digital radio sound service", DVB_SERVICE_RADIO },
    { 0x03, "Teletext service", DVB_SERVICE_UNKNOWN },
    { 0x04, "NVOD reference service", DVB_SERVICE_UNKNOWN },
    { 0x05, "NVOD time-shifted service", DVB_SERVICE_UNKNOWN },
    { 0x06, "mosaic service", DVB_SERVICE_UNKNOWN },
    { 0x07, "FM radio service", DVB_SERVICE_RADIO },
    { 0x08, "DVB SRM service", DVB_SERVICE_UNKNOWN },
    { 0x0A, "advanced codec digital radio sound service", DVB_SERVICE_RADIO },
    { 0x0B, "H.264/AVC mosaic service", DVB_SERVICE_UNKNOWN },
    { 0x0C, "data broadcast service", DVB_SERVICE_DATA },
    { 0x0D, "reserved for Common Interface usage", DVB_SERVICE_UNKNOWN },
    { 0x0E, "RCS Map", DVB_SERVICE_UNKNOWN },
    { 0x0F, "RCS FLS", DVB_SERVICE_UNKNOWN },
    { 0x10, "DVB MHP service", DVB_SERVICE_UNKNOWN },
    { 0x11, "MPEG-2 HD digital television service", DVB_SERVICE_TELEVISION },
    { 0x16, "H.264/AVC SD digital television service", DVB_SERVICE_TELEVISION },
    { 0x17, "H.264/AVC SD NVOD time-shifted service", DVB_SERVICE_UNKNOWN },
    { 0x18, "H.264/AVC SD NVOD reference service", DVB_SERVICE_UNKNOWN },
    { 0x19, "H.264/AVC HD digital television service", DVB_SERVICE_TELEVISION },
    { 0x1A, "H.264/AVC HD NVOD time-shifted service", DVB_SERVICE_UNKNOWN },
    { 0x1B, "H.264/AVC HD NVOD reference service", DVB_SERVICE_UNKNOWN },
    { 0x1C, "H.264/AVC frame compatible plano-stereoscopic HD digital television service", DVB_SERVICE_TELEVISION },
    { 0x1D, "H.264/AVC frame compatible plano-stereoscopic HD NVOD time-shifted service", DVB_SERVICE_UNKNOWN },
    { 0x1E, "H.264/AVC frame compatible plano-stereoscopic HD NVOD reference service", DVB_SERVICE_UNKNOWN },
    { 0x1F, "HEVC digital television service", DVB_SERVICE_TELEVISION },
    { 0x20, "HEVC UHD digital television service", DVB_SERVICE_TELEVISION },
};

const SDTServiceType* FindSDTServiceType(unsigned char code)
{
    for (const SDTServiceType& type : SDT_SERVICE_TYPES) {
        if (type.code == code)
            return &type;
    }
    return nullptr;
}
} // namespace

int CDVBProgram::GetServiceTypeFromSDT() const
{
    if (!m_hasServiceDescriptor)
        return DVB_SERVICE_UNKNOWN;
    const SDTServiceType* type = FindSDTServiceType(m_serviceType);
    return type != nullptr ? type->type : DVB_SERVICE_UNKNOWN;
}

CString CDVBProgram::GetSDTServiceTypeName() const
{
    if (!m_hasServiceDescriptor)
        return GetServiceTypeText(DVB_SERVICE_UNKNOWN);
    if (const SDTServiceType* type = FindSDTServiceType(m_serviceType))
        return type->name;
    return FormatString(m_serviceType >= 0x80 && m_serviceType <= 0xFE ? "user-defined service type 0x%02X"
                                                                       : "reserved service type 0x%02X",
        m_serviceType);
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
