#pragma once
// Gathers services and transport streams from every multiplex it is attached
// to, and keeps "epg/epg.xml" up to date with them while its export is on.
// Sections and ticks arrive on a receive thread; EnableUpdates comes from the
// application's thread.
#include "platform/CString.h"
#include "platform/CriticalSection.h"
#include "si/DVBEventSchedule.h"
#include "si/DVBGuideService.h"
#include "si/DVBProgramList.h"
#include "si/DVBTransportStreamList.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

class CDVBPATSection;
class CDVBPMTSection;
class CDVBSDTSection;
class CDVBEITSection;
class CDVBNITSection;
class CDVBTDTSection;
class CDVBTOTSection;
class CDVBScheduleEntry;

class CDVBSICollector
{
public:
    // The export goes to folder + "epg/epg.xml"; an empty folder means the
    // current directory. Writes the file once straight away.
    explicit CDVBSICollector(const CString& folder = "");
    CDVBSICollector(const CDVBSICollector&) = delete;
    CDVBSICollector& operator=(const CDVBSICollector&) = delete;
    virtual ~CDVBSICollector() = default;

    void EnableUpdates(bool enable);
    // Rewrites the export at most every five seconds, and only after a change.
    void OnEverySecond();
    void OnChangeTransportStream() { }

    void OnReceivePAT(unsigned short pid, CDVBPATSection* section);
    void OnReceivePMT(unsigned short pid, CDVBPMTSection* section);
    void OnReceiveSDT(unsigned short pid, CDVBSDTSection* section);
    void OnReceiveEIT(unsigned short pid, CDVBEITSection* section);
    void OnReceiveNIT(unsigned short pid, CDVBNITSection* section);
    // The broadcast's clock: events that ended before it are dropped.
    void OnReceiveTDT(unsigned short pid, CDVBTDTSection* section);
    void OnReceiveTOT(unsigned short pid, CDVBTOTSection* section);

    // The name the user knows the transport stream by (the multiplex's, UTF-8):
    // the export names it so, as the main window does.
    void NameTransportStream(unsigned short id, const CString& name);

    // Writes the export and clears the changed flag.
    void Update();
    // Where the export is written, as given to the constructor.
    const CString& GetExportPath() const { return m_path; }

    // For readers of the collected data, who hold the matching lock.
    CDVBProgramList* GetProgramsList() { return &m_programs; }
    CCriticalSection* GetProgramsSection() { return &m_programsLock; }
    CDVBTransportStreamList* GetTransportStreamsList() { return &m_transportStreams; }
    CCriticalSection* GetTransportStreamsSection() { return &m_transportStreamsLock; }

    // Every service with the events its schedule holds, by start time, and
    // services by original network, transport stream and service id.
    std::vector<CDVBGuideService> GetGuide();
    // The broadcast's last time (UTC seconds), or 0 before a TDT or TOT came.
    int64_t GetBroadcastTime() const { return m_broadcastTime; }

    // A DVB text as XML character data for an attribute or element: decoded
    // to UTF-8, with the markup characters escaped and the characters XML
    // does not allow removed.
    static CString XMLText(const CString& dvbText);
    // The same for a UTF-8 text.
    static CString XMLEscape(const CString& text);

private:
    // The whole export into the file; false when it could not be written whole.
    bool WriteExport(const CString& path);
    void WriteTransportStreams(FILE* file);
    void WriteServices(FILE* file);
    static void WriteScheduleItem(FILE* file, const CDVBScheduleEntry& entry);
    void SetBroadcastTime(int64_t utcSeconds);

    using ServiceKey = std::tuple<unsigned short, unsigned short, unsigned short>; // network, stream, service

    CString m_path;
    CDVBProgramList m_programs;
    CCriticalSection m_programsLock;
    CDVBTransportStreamList m_transportStreams;
    CCriticalSection m_transportStreamsLock;
    std::map<ServiceKey, CDVBEventSchedule> m_eventSchedules;
    CCriticalSection m_eventSchedulesLock;
    std::atomic<int64_t> m_broadcastTime { 0 };
    int64_t m_droppedBefore = 0; // receive thread only
    // Written by the receive thread and the application's thread alike.
    std::atomic<bool> m_changed { true };
    std::atomic<bool> m_updatesEnabled { false };
    std::atomic<uint32_t> m_seconds { 0 };
};
