#include "CliTimerRecorder.h"

#include "FileMultiplexSession.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/ProgramFolder.h"
#include "si/DVBSICollector.h"
#include "si/DVBScheduleEntry.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "timers/KRXEventRunningStatus.h"
#include "timers/KRXTimer.h"
#include "viewing/KRXServiceSearch.h"

#include <algorithm>

namespace {
constexpr int64_t kServiceSearchMs = 10000;
constexpr uint32_t kServicePollMs = 10;
} // namespace

struct CKRXCliTimerRecorder::Recording {
    // The collector's guide export is not wanted: its folder is never made.
    CDVBSICollector collector { GetUserDataFolder() + "timer guide/" };
    // Closed before the collector it reports to.
    std::unique_ptr<CKRXFileMultiplexSession> session;
    unsigned short serviceId = 0;
    // Whether the guide has listed the timer's event since the recording began.
    bool eventSeen = false;
};

CKRXCliTimerRecorder::CKRXCliTimerRecorder(const CKRXLoadedPlugins& plugins, CEvent* interrupted)
    : m_plugins(plugins)
    , m_interrupted(interrupted)
{
}

CKRXCliTimerRecorder::~CKRXCliTimerRecorder()
{
    for (auto& [id, recording] : m_recordings) {
        recording->session->GetReceiver()->StopRecording();
        recording->session->Close();
    }
}

bool CKRXCliTimerRecorder::FindTimerService(const CKRXTimer& timer, Recording& recording, CString& error)
{
    const CString service = timer.serviceId != 0 ? FormatString("%u", timer.serviceId) : timer.serviceName;
    const int64_t start = GetMonotonicNanoseconds();
    for (;;) {
        switch (FindService(recording.session->GetReceiver(), service, recording.serviceId)) {
        case EServiceSearch::Found:
            return true;
        case EServiceSearch::Absent:
            error = "'" + timer.multiplex + "' has no service '" + service + "'";
            return false;
        case EServiceSearch::Waiting:
            break;
        }
        if (recording.session->GetSource()->HasEnded() || GetMonotonicNanoseconds() - start > kServiceSearchMs * 1000000
            || m_interrupted->Wait(kServicePollMs)) {
            CString status;
            recording.session->GetSource()->GetStatus(status);
            error = "service '" + service + "' not found in '" + timer.multiplex + "'"
                + (status.empty() ? CString() : " (" + status + ")");
            return false;
        }
    }
}

CKRXTimerRecorder::EStart CKRXCliTimerRecorder::StartRecording(
    const CKRXTimer& timer, const CString& file, CString& error)
{
    auto recording = std::make_unique<Recording>();
    recording->session = std::make_unique<CKRXFileMultiplexSession>(m_plugins);
    if (!recording->session->OpenDefinition(timer.input, timer.multiplex, error))
        return EStart::Failed;
    recording->session->StartReceiver(nullptr, &recording->collector);
    if (!FindTimerService(timer, *recording, error)) {
        recording->session->Close();
        return EStart::Failed;
    }
    CDVBRecordingParameters parameters(file);
    parameters.SetServiceID(recording->serviceId);
    CDVBTransportStreamReceiver* receiver = recording->session->GetReceiver();
    if (!receiver->StartRecording(&parameters)) {
        error = "cannot record to '" + file + "': " + receiver->GetRecordingStatus().writeError;
        recording->session->Close();
        return EStart::Failed;
    }
    m_recordings[timer.id] = std::move(recording);
    return EStart::Started;
}

bool CKRXCliTimerRecorder::StopRecording(const CKRXTimer& timer, CString& error)
{
    const auto found = m_recordings.find(timer.id);
    if (found == m_recordings.end())
        return true;
    CDVBTransportStreamReceiver* receiver = found->second->session->GetReceiver();
    receiver->StopRecording();
    // Read after the stop: the reads still queued are written by it.
    const CDVBRecordingStatus status = receiver->GetRecordingStatus();
    found->second->session->Close();
    m_recordings.erase(found);
    if (status.writeFailed)
        error = "cannot write the file: " + status.writeError;
    else if (status.readsSkipped != 0)
        error = FormatString("%" PRIu64 " reads were left out: the disc did not keep up", status.readsSkipped);
    return error.empty();
}

CString CKRXCliTimerRecorder::CheckRecording(const CKRXTimer& timer, bool& fatal)
{
    fatal = false;
    const auto found = m_recordings.find(timer.id);
    if (found == m_recordings.end())
        return "";
    CKRXFileMultiplexSession& session = *found->second->session;
    const CDVBRecordingStatus status = session.GetReceiver()->GetRecordingStatus();
    CString sourceStatus;
    session.GetSource()->GetStatus(sourceStatus);
    fatal = status.writeFailed || session.GetSource()->HasEnded();
    if (status.writeFailed)
        return "cannot write the file: " + status.writeError;
    if (session.GetSource()->HasEnded())
        return "reception ended" + (sourceStatus.empty() ? CString() : " (" + sourceStatus + ")");
    if (!session.GetReceiver()->IsDataBeingReceived())
        return "no data received" + (sourceStatus.empty() ? CString() : " (" + sourceStatus + ")");
    return "";
}

unsigned char CKRXCliTimerRecorder::GetRunningStatus(const CKRXTimer& timer)
{
    const auto found = m_recordings.find(timer.id);
    if (found == m_recordings.end())
        return DVB_RUNNING_UNDEFINED;
    Recording& recording = *found->second;
    return FindEventRunningStatus(
        recording.collector.GetGuide(), recording.serviceId, timer.eventId, recording.eventSeen);
}
