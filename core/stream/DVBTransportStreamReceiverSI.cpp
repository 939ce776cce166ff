// The service-information side of the transport stream receiver: the SI
// receivers, the section hand-off, the table handlers that build the
// programme list, and the queries the application makes of it.
#include "platform/DebugOutput.h"
#include "plugin/DVBComponentDefinition.h"
#include "si/DVBEITSection.h"
#include "si/DVBNITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBProgram.h"
#include "si/DVBSDTSection.h"
#include "si/DVBSICollector.h"
#include "si/DVBSIReceiver.h"
#include "si/DVBTDTSection.h"
#include "si/DVBTOTSection.h"
#include "si/DVBTime.h"
#include "si/DVBTransportStreamUpdateHandler.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBTransportStreamReceiver.h"

#include <vector>

namespace {
// Table ids the receiver itself reads: services and now/next of its own multiplex.
constexpr unsigned char SDT_ACTUAL = 0x42;
constexpr unsigned char NIT_ACTUAL = 0x40;
constexpr unsigned char EIT_PRESENT_FOLLOWING_ACTUAL = 0x4E;

CString FormatTimeTable(const char* table, unsigned short mjd, uint32_t bcdTime)
{
    const SYSTEMTIME utc = DVBTimeToUTC(mjd, 0);
    return FormatString("%s %02d/%02d/%04d %02x:%02x:%02x.\n", table, utc.wDay, utc.wMonth, utc.wYear,
        (bcdTime >> 16) & 0xFF, (bcdTime >> 8) & 0xFF, bcdTime & 0xFF);
}
} // namespace

void CDVBTransportStreamReceiver::OnSectionAdd(unsigned short pid, CDVBSISection* section)
{
    OnSectionUpdate(pid, section);
}

void CDVBTransportStreamReceiver::OnSectionUpdate(unsigned short pid, CDVBSISection* section)
{
    switch (section->GetKind()) {
    case DVB_SECTION_PAT:
        OnReceivePAT(static_cast<CDVBPATSection*>(section));
        break;
    case DVB_SECTION_PMT:
        OnReceivePMT(static_cast<CDVBPMTSection*>(section));
        break;
    case DVB_SECTION_SDT:
        OnReceiveSDT(static_cast<CDVBSDTSection*>(section));
        break;
    case DVB_SECTION_EIT:
        OnReceiveEIT(static_cast<CDVBEITSection*>(section));
        break;
    case DVB_SECTION_NIT:
        OnReceiveNIT(static_cast<CDVBNITSection*>(section));
        break;
    case DVB_SECTION_TDT:
        OnReceiveTDT(static_cast<CDVBTDTSection*>(section));
        break;
    case DVB_SECTION_TOT:
        OnReceiveTOT(static_cast<CDVBTOTSection*>(section));
        break;
    default:
        return;
    }
    RouteToCollector(pid, section);
}

void CDVBTransportStreamReceiver::RouteToCollector(unsigned short pid, CDVBSISection* section)
{
    CDVBSICollector* collector = m_siCollector;
    if (collector == nullptr)
        return;
    switch (section->GetKind()) {
    case DVB_SECTION_PAT:
        collector->OnReceivePAT(pid, static_cast<CDVBPATSection*>(section));
        break;
    case DVB_SECTION_PMT:
        collector->OnReceivePMT(pid, static_cast<CDVBPMTSection*>(section));
        break;
    case DVB_SECTION_SDT:
        collector->OnReceiveSDT(pid, static_cast<CDVBSDTSection*>(section));
        break;
    case DVB_SECTION_EIT:
        collector->OnReceiveEIT(pid, static_cast<CDVBEITSection*>(section));
        break;
    case DVB_SECTION_NIT:
        collector->OnReceiveNIT(pid, static_cast<CDVBNITSection*>(section));
        break;
    case DVB_SECTION_TDT:
        collector->OnReceiveTDT(pid, static_cast<CDVBTDTSection*>(section));
        break;
    case DVB_SECTION_TOT:
        collector->OnReceiveTOT(pid, static_cast<CDVBTOTSection*>(section));
        break;
    default:
        break;
    }
}

bool CDVBTransportStreamReceiver::AddSIReceiverIfNotPresent(unsigned short pid)
{
    if (HasPIDReceiver(pid, DVB_RECEIVER_SI))
        return false;
    auto* receiver = new CDVBSIReceiver(this);
    if (!AddPIDReceiver(pid, receiver)) {
        delete receiver;
        return false;
    }
    return true;
}

void CDVBTransportStreamReceiver::NotifyUpdate(unsigned short id, int type)
{
    if (m_updateHandler)
        m_updateHandler->OnServiceInformationUpdate(id, type);
}

void CDVBTransportStreamReceiver::OnReceivePAT(CDVBPATSection* section)
{
    std::vector<unsigned short> updated;
    std::vector<unsigned short> numbered;
    {
        CSingleLock lock(&m_programsSection, true);
        m_patSeen = true;
        m_transportStreamId = section->GetTransportStreamId();
        for (const CDVBPATEntry* entry : section->GetEntries()) {
            if (entry->programNumber == 0)
                continue;
            m_programs.GetOrCreate(entry->programNumber)->OnReceivePAT(section, entry);
            updated.push_back(entry->programNumber);
        }
        // The NIT may have come first, or named another transport stream id.
        numbered = ApplyChannelNumbers();
    }
    for (unsigned short programNumber : updated)
        NotifyUpdate(programNumber, DVB_UPDATE_PAT);
    for (unsigned short programNumber : numbered)
        NotifyUpdate(programNumber, DVB_UPDATE_NIT);
    // PMT reception for each programme, NIT reception on the network PID.
    for (const CDVBPATEntry* entry : section->GetEntries())
        AddSIReceiverIfNotPresent(entry->pid);
}

void CDVBTransportStreamReceiver::OnReceivePMT(CDVBPMTSection* section)
{
    const unsigned short programNumber = section->GetProgramNumber();
    {
        CSingleLock lock(&m_programsSection, true);
        m_programs.GetOrCreate(programNumber)->OnReceivePMT(section);
    }
    NotifyUpdate(programNumber, DVB_UPDATE_PMT);
    const unsigned short pcrPID = section->GetPCRPID();
    if (!HasPIDReceiver(pcrPID, DVB_RECEIVER_PCR))
        AddPIDReceiver(pcrPID, new CDVBPCRReceiver);
}

void CDVBTransportStreamReceiver::OnReceiveSDT(CDVBSDTSection* section)
{
    // Services of other multiplexes are the SI collector's business.
    if (section->GetTableId() != SDT_ACTUAL)
        return;
    std::vector<unsigned short> updated;
    {
        CSingleLock lock(&m_programsSection, true);
        for (const CDVBSDTEntry* entry : section->GetEntries()) {
            m_programs.GetOrCreate(entry->serviceId)->OnReceiveSDT(section, entry);
            updated.push_back(entry->serviceId);
        }
    }
    for (unsigned short serviceId : updated)
        NotifyUpdate(serviceId, DVB_UPDATE_SDT);
}

void CDVBTransportStreamReceiver::OnReceiveEIT(CDVBEITSection* section)
{
    if (section->GetTableId() != EIT_PRESENT_FOLLOWING_ACTUAL)
        return;
    {
        CSingleLock lock(&m_programsSection, true);
        m_programs.GetOrCreate(section->GetServiceId())->OnReceiveEIT(section);
    }
    NotifyUpdate(section->GetServiceId(), DVB_UPDATE_EIT);
}

// Channel numbers are the only thing the receiver takes from its own network's NIT.
void CDVBTransportStreamReceiver::OnReceiveNIT(CDVBNITSection* section)
{
    if (section->GetTableId() != NIT_ACTUAL)
        return;
    std::vector<unsigned short> numbered;
    {
        CSingleLock lock(&m_programsSection, true);
        if (m_channelNumbers.OnReceiveNIT(section))
            numbered = ApplyChannelNumbers();
    }
    for (unsigned short programNumber : numbered)
        NotifyUpdate(programNumber, DVB_UPDATE_NIT);
}

std::vector<unsigned short> CDVBTransportStreamReceiver::ApplyChannelNumbers()
{
    std::vector<unsigned short> numbered;
    if (!m_patSeen)
        return numbered;
    for (CDVBProgram* program : m_programs) {
        if (m_channelNumbers.Apply(*program, m_transportStreamId))
            numbered.push_back(program->GetProgramNumber());
    }
    return numbered;
}

void CDVBTransportStreamReceiver::OnReceiveTDT(CDVBTDTSection* section)
{
    DebugOutput(FormatTimeTable("TDT", section->GetUTCDate(), section->GetUTCTime()));
}

void CDVBTransportStreamReceiver::OnReceiveTOT(CDVBTOTSection* section)
{
    DebugOutput(FormatTimeTable("TOT", section->GetUTCDate(), section->GetUTCTime()));
}

CDVBProgram* CDVBTransportStreamReceiver::GetProgram(unsigned short programNumber)
{
    CSingleLock lock(&m_programsSection, true);
    return m_programs.Find(programNumber);
}

CDVBProgram* CDVBTransportStreamReceiver::GetOrCreateProgram(unsigned short programNumber)
{
    CSingleLock lock(&m_programsSection, true);
    return m_programs.GetOrCreate(programNumber);
}

bool CDVBTransportStreamReceiver::HasCompleteBasicServiceInformation()
{
    CSingleLock lock(&m_programsSection, true);
    if (!m_patSeen)
        return false;
    for (const CDVBProgram* program : m_programs) {
        if (!program->HasSeenPMT() || !program->HasSeenSDT())
            return false;
    }
    return true;
}

bool CDVBTransportStreamReceiver::GetComponentDefinition(
    unsigned short programNumber, unsigned short pid, CDVBComponentDefinition* definition)
{
    definition->SetPID(pid);
    definition->SetProgramNumber(programNumber);
    CSingleLock lock(&m_programsSection, true);
    const CDVBProgram* program = m_programs.Find(programNumber);
    const CDVBProgramElement* element = program ? program->GetProgramElement(pid) : nullptr;
    if (element == nullptr)
        return false;
    definition->SetDescription(element->GetDescription());
    return true;
}

int CDVBTransportStreamReceiver::GetNowAndNextInformation(
    unsigned short programNumber, CDVBScheduleEntry* now, CDVBScheduleEntry* next)
{
    CSingleLock lock(&m_programsSection, true);
    CDVBProgram* program = m_programs.Find(programNumber);
    return program ? program->GetSchedule()->GetNowAndNextInformation(now, next) : 0;
}
