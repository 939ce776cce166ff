#include "si/DVBSICollector.h"

#include "platform/UTF8.h"
#include "si/DVBEITSection.h"
#include "si/DVBNITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBPMTSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBTDTSection.h"
#include "si/DVBTOTSection.h"
#include "si/DVBText.h"
#include "si/DVBTime.h"

namespace {
// Ended events are dropped once a minute of broadcast time.
constexpr int64_t DropInterval = 60;
} // namespace

CDVBSICollector::CDVBSICollector(const CString& folder)
    : m_path(folder + "epg/epg.xml")
{
    Update();
}

void CDVBSICollector::EnableUpdates(bool enable)
{
    m_updatesEnabled = enable;
    // The next tick then writes the file if anything has changed.
    if (enable)
        m_seconds = 0;
}

void CDVBSICollector::OnEverySecond()
{
    if (m_updatesEnabled && m_changed && m_seconds % 5 == 0)
        Update();
    ++m_seconds;
}

void CDVBSICollector::OnReceivePAT(unsigned short, CDVBPATSection* section)
{
    {
        CSingleLock hold(&m_programsLock, true);
        for (const CDVBPATEntry* entry : section->GetEntries()) {
            if (entry->programNumber != 0)
                m_programs.GetOrCreate(entry->programNumber)->OnReceivePAT(section, entry);
        }
    }
    {
        CSingleLock hold(&m_transportStreamsLock, true);
        m_transportStreams.GetOrCreate(section->GetTableIdExtension())->OnReceivePAT(section);
    }
    m_changed = true;
}

void CDVBSICollector::OnReceivePMT(unsigned short, CDVBPMTSection* section)
{
    {
        CSingleLock hold(&m_programsLock, true);
        m_programs.GetOrCreate(section->GetProgramNumber())->OnReceivePMT(section);
    }
    m_changed = true;
}

void CDVBSICollector::OnReceiveSDT(unsigned short, CDVBSDTSection* section)
{
    {
        CSingleLock hold(&m_programsLock, true);
        for (const CDVBSDTEntry* entry : section->GetEntries())
            m_programs.GetOrCreate(entry->serviceId)->OnReceiveSDT(section, entry);
    }
    {
        CSingleLock hold(&m_transportStreamsLock, true);
        m_transportStreams.GetOrCreate(section->GetTransportStreamId())->OnReceiveSDT(section);
    }
    m_changed = true;
}

void CDVBSICollector::OnReceiveEIT(unsigned short, CDVBEITSection* section)
{
    {
        CSingleLock hold(&m_programsLock, true);
        m_programs.GetOrCreate(section->GetServiceId())->OnReceiveEIT(section);
    }
    {
        CSingleLock hold(&m_eventSchedulesLock, true);
        const ServiceKey key { section->GetOriginalNetworkId(), section->GetTransportStreamId(),
            section->GetServiceId() };
        m_eventSchedules[key].Update(*section);
    }
    m_changed = true;
}

void CDVBSICollector::OnReceiveTDT(unsigned short, CDVBTDTSection* section)
{
    SetBroadcastTime(DVBTimeToUTCSeconds(section->GetUTCDate(), section->GetUTCTime()));
}

void CDVBSICollector::OnReceiveTOT(unsigned short, CDVBTOTSection* section)
{
    SetBroadcastTime(DVBTimeToUTCSeconds(section->GetUTCDate(), section->GetUTCTime()));
}

void CDVBSICollector::SetBroadcastTime(int64_t utcSeconds)
{
    m_broadcastTime = utcSeconds;
    if (utcSeconds - m_droppedBefore < DropInterval)
        return;
    m_droppedBefore = utcSeconds;
    CSingleLock hold(&m_eventSchedulesLock, true);
    for (auto& [key, schedule] : m_eventSchedules)
        schedule.DropEndedBefore(utcSeconds);
}

std::vector<CDVBGuideService> CDVBSICollector::GetGuide()
{
    std::vector<CDVBGuideService> guide;
    {
        CSingleLock hold(&m_eventSchedulesLock, true);
        for (const auto& [key, schedule] : m_eventSchedules) {
            CDVBGuideService service;
            std::tie(service.originalNetworkId, service.transportStreamId, service.serviceId) = key;
            service.events = schedule.GetEvents();
            guide.push_back(std::move(service));
        }
    }
    CSingleLock hold(&m_programsLock, true);
    for (CDVBGuideService& service : guide) {
        const CDVBProgram* program = m_programs.Find(service.serviceId);
        if (program != nullptr && !program->GetServiceName().empty())
            service.name = DVBTextToUTF8(program->GetServiceName());
    }
    return guide;
}

void CDVBSICollector::OnReceiveNIT(unsigned short, CDVBNITSection* section)
{
    {
        CSingleLock hold(&m_transportStreamsLock, true);
        for (const CDVBNITEntry* entry : section->GetEntries())
            m_transportStreams.GetOrCreate(entry->transportStreamId)->OnReceiveNIT(section, entry);
    }
    m_changed = true;
}

void CDVBSICollector::NameTransportStream(unsigned short id, const CString& name)
{
    {
        CSingleLock hold(&m_transportStreamsLock, true);
        CDVBTransportStream* stream = m_transportStreams.GetOrCreate(id);
        if (stream->GetName() == name)
            return;
        stream->SetName(name);
    }
    m_changed = true;
}

void CDVBSICollector::Update()
{
    // Written beside the export and renamed over it, so that the guide page
    // never reads half a file and a failed write (a full disc) keeps the last
    // export. A missing folder or unwritable file is retried only after the
    // next change.
    const CString temporary = m_path + ".new";
    if (!WriteExport(temporary) || std::rename(temporary.c_str(), m_path.c_str()) != 0)
        std::remove(temporary.c_str());
    m_changed = false;
}

bool CDVBSICollector::WriteExport(const CString& path)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<system>\n", file);
    WriteTransportStreams(file);
    WriteServices(file);
    std::fputs("</system>\n", file);
    const bool written = std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

void CDVBSICollector::WriteTransportStreams(FILE* file)
{
    std::fputs("<transportstreams>\n", file);
    {
        CSingleLock hold(&m_transportStreamsLock, true);
        for (const CDVBTransportStream* stream : m_transportStreams) {
            std::fprintf(file, "\t<transportstream id=\"%d\"", stream->GetId());
            if (!stream->GetName().empty())
                std::fprintf(file, " name=\"%s\"", XMLEscape(stream->GetName()).c_str());
            std::fputs(">", file);
            if (const CDVBTerrestrialDeliveryDescriptor* t = stream->GetTerrestrialDelivery()) {
                using T = CDVBTerrestrialDeliveryDescriptor;
                std::fprintf(file,
                    "\t\t<terrestrial frequency=\"%lu\" bandwidth=\"%s\" constellation=\"%s\" "
                    "hierarchy=\"%s\" coderateHP=\"%s\" coderateLP=\"%s\" guard=\"%s\" "
                    "transmissionmode=\"%s\" />",
                    static_cast<unsigned long>(t->GetCentreFrequency()), T::GetBandwidthText(t->GetBandwidth()).c_str(),
                    T::GetConstellationText(t->GetConstellation()).c_str(),
                    T::GetHierarchyText(t->GetHierarchyInformation()).c_str(),
                    T::GetCodeRateText(t->GetCodeRateHP()).c_str(), T::GetCodeRateText(t->GetCodeRateLP()).c_str(),
                    T::GetGuardIntervalText(t->GetGuardInterval()).c_str(),
                    T::GetTransmissionModeText(t->GetTransmissionMode()).c_str());
            }
            std::fputs("\t</transportstream>\n", file);
        }
    }
    std::fputs("</transportstreams>\n", file);
}

void CDVBSICollector::WriteServices(FILE* file)
{
    CSingleLock hold(&m_programsLock, true);
    std::fputs("<services>\n", file);
    for (CDVBProgram* program : m_programs) {
        const CString name = XMLText(program->GetServiceName());
        std::fprintf(file,
            "\t<service tsid=\"%d\" id=\"%d\" name=\"%s\" sdttype=\"%s\" pmttype=\"%s\" access=\"%s\">\n",
            program->GetTransportStreamIdFromSDT(), program->GetProgramNumber(), name.c_str(),
            CDVBProgram::GetServiceTypeText(program->GetServiceTypeFromSDT()).c_str(),
            CDVBProgram::GetServiceTypeText(program->GetServiceTypeFromPMT()).c_str(),
            program->GetAccessTypeText().c_str());
        CDVBScheduleEntry now, next;
        const int found = program->GetSchedule()->GetNowAndNextInformation(&now, &next);
        if (found & DVB_HAS_NOW)
            WriteScheduleItem(file, now);
        if (found & DVB_HAS_NEXT)
            WriteScheduleItem(file, next);
        std::fputs("\t</service>\n", file);
    }
    std::fputs("</services>\n", file);
}

void CDVBSICollector::WriteScheduleItem(FILE* file, const CDVBScheduleEntry& entry)
{
    const SYSTEMTIME& start = entry.m_start;
    const SYSTEMTIME& end = entry.m_end;
    std::fprintf(file,
        "\t\t<scheduleitem status=\"%s\" startDate=\"%02d/%02d/%02d\" startTime=\"%02d:%02d\" "
        "endDate=\"%02d/%02d/%02d\" endTime=\"%02d:%02d\" duration=\"%s\">\n",
        entry.m_runningStatus == DVB_RUNNING_RUNNING ? "now" : "next", start.wYear, start.wMonth, start.wDay,
        start.wHour, start.wMinute, end.wYear, end.wMonth, end.wDay, end.wHour, end.wMinute,
        entry.m_durationText.c_str());
    std::fprintf(file, "\t\t\t<title>%s</title>\n", XMLText(entry.m_title).c_str());
    std::fprintf(file, "\t\t\t<description>%s</description>\n", XMLText(entry.m_description).c_str());
    std::fputs("\t\t</scheduleitem>", file);
}

CString CDVBSICollector::XMLText(const CString& dvbText)
{
    return XMLEscape(DVBTextToUTF8(dvbText));
}

CString CDVBSICollector::XMLEscape(const CString& text)
{
    CString xml;
    for (size_t i = 0; i < text.size();) {
        const UTF8Sequence sequence = ReadUTF8Sequence(text.data() + i, text.size() - i);
        const char32_t c = sequence.codePoint;
        const bool allowed = sequence.status == UTF8Sequence::VALID
            && (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') && c != 0xFFFE && c != 0xFFFF;
        if (c == '&')
            xml += "&amp;";
        else if (c == '<')
            xml += "&lt;";
        else if (c == '>')
            xml += "&gt;";
        else if (c == '"')
            xml += "&quot;";
        else if (allowed)
            xml.append(text, i, sequence.length);
        i += sequence.length;
    }
    return xml;
}
